#include "views/item_panel.h"

#include <QLineEdit>
#include <QPainter>
#include <QPalette>
#include <cmath>

#include "deals/picture_cache.h"
#include "pictures/cached_picture.h"
#include "pictures/packaged_pictures.h"
#include "services/errors.h"
#include "services/number_text.h"
#include "views/dx_image.h"
#include "views/fonts.h"
#include "views/label.h"
#include "views/picture_box.h"

namespace {

const QColor kTitleColour(0x66, 0x66, 0x66);
const QColor kSalesColour(0xB0, 0xE5, 0x53);
const QColor kWhite(0xFF, 0xFF, 0xFF);

constexpr int kSmallPx = 13;  // 10 pt
constexpr int kTitlePx = 19;  // 14 pt
constexpr int kPricePx = 27;  // 20 pt

QString Text(const std::string& utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// The hint shows only what stands before the first "|"; the rest would be the long form.
QString ShortHint(const QString& text) {
    const qsizetype bar = text.indexOf(QLatin1Char('|'));
    return bar < 0 ? text : text.left(bar);
}

TLabel* MakeLabel(TLabel* label, const char* name, int left, int top, const QFont& font,
                  const QColor& colour, const char* text) {
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setTextColor(colour);
    label->setAutoSize(true);
    label->move(left, top);
    label->setCaption(QString::fromUtf8(text));
    return label;
}

}  // namespace

TItemPanel::TItemPanel(QWidget* parent)
    : QFrame(parent),
      TitleBox(new QLineEdit(this)),
      BackImage(new TImage(this)),
      DealImage(new TImage(this)),
      ShadeImage(new TImage(this)),
      OrigPriceCaption(new TLabel(this)),
      OrigPriceLabel(new TLabel(this)),
      DiscountLabel(new TLabel(this)),
      SalesNumLabel(new TLabel(this)),
      BoughtCaption(new TLabel(this)),
      PriceLabel(new TLabel(this)),
      BuyButton(new TDxImage(this)),
      m_inStockBack(PackagedImage(QStringLiteral("homebak"))),
      m_soldOutBack(PackagedImage(QStringLiteral("homebak2"))),
      m_buyPicture(PackagedImage(QStringLiteral("but1"))),
      m_buyHoverPicture(PackagedImage(QStringLiteral("but2"))) {
    setObjectName(QStringLiteral("ItemPanel"));
    resize(kWidth, kHeight);
    setFrameShape(QFrame::NoFrame);  // the bevels are drawn in paintEvent

    // A display-only text box: disabled, flat, no frame, always the title colour. A disabled
    // line edit would otherwise grey its text out, so the disabled group gets the same colours.
    TitleBox->setObjectName(QStringLiteral("TitleBox"));
    TitleBox->setFont(PixelFont(kSongFace, kTitlePx, true));
    TitleBox->setFrame(false);
    TitleBox->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TitleBox->setTextMargins(0, 0, 0, 0);
    {
        QPalette p = TitleBox->palette();
        const QColor face = palette().color(QPalette::Button);
        for (QPalette::ColorGroup group :
             {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            p.setColor(group, QPalette::Text, kTitleColour);
            p.setColor(group, QPalette::WindowText, kTitleColour);
            p.setColor(group, QPalette::Base, face);
            p.setColor(group, QPalette::Window, face);
        }
        TitleBox->setPalette(p);
    }
    TitleBox->setEnabled(false);
    TitleBox->setFocusPolicy(Qt::NoFocus);
    TitleBox->setGeometry(5, 14, 250, TitleBox->sizeHint().height());

    BackImage->setObjectName(QStringLiteral("BackImage"));
    BackImage->move(4, 44);
    BackImage->setAutoSize(true);

    DealImage->setObjectName(QStringLiteral("DealImage"));
    DealImage->setGeometry(QRect(QPoint(5, 45), kDealPictureSize));
    DealImage->setCursor(Qt::PointingHandCursor);
    connect(DealImage, &TImage::clicked, this, [this] { fireImageButClick(); });

    ShadeImage->setObjectName(QStringLiteral("ShadeImage"));
    ShadeImage->move(5, 188);
    ShadeImage->setAutoSize(true);
    ShadeImage->setPicture(PackagedImage(QStringLiteral("homebak1")));

    const QFont small = PixelFont(kSongFace, kSmallPx);
    QFont struck = small;
    struck.setStrikeOut(true);
    MakeLabel(OrigPriceCaption, "OrigPriceCaption", 8, 194, small, kWhite, "原价");
    MakeLabel(OrigPriceLabel, "OrigPriceLabel", 34, 194, struck, kWhite, "2000.00");
    MakeLabel(DiscountLabel, "DiscountLabel", 85, 194, small, kWhite, "元 折扣0.0折");
    MakeLabel(SalesNumLabel, "SalesNumLabel", 190, 194, PixelFont(kSongFace, kSmallPx, true),
              kSalesColour, "0");
    MakeLabel(BoughtCaption, "BoughtCaption", 200, 194, small, kWhite, "人已购买");
    MakeLabel(PriceLabel, "PriceLabel", 10, 220, PixelFont(kSongFace, kPricePx, true), kWhite,
              "0.00");

    SetUpHoverButton(BuyButton, "BuyButton", QPoint(168, 220), m_buyPicture, m_buyHoverPicture);
    connect(BuyButton, &TImage::clicked, this, [this] {
        if (!BuyButton->isHidden())
            fireImageButClick();
    });
}

TItemPanel::~TItemPanel() = default;

void TItemPanel::fireImageButClick() {
    if (OnImageButClick)
        OnImageButClick(this);
}

void TItemPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QPalette& p = palette();
    painter.fillRect(rect(), p.color(QPalette::Button));
    const QColor light = p.color(QPalette::Light);
    const QColor shadow = p.color(QPalette::Dark);
    // Raised outer bevel, then a lowered one just inside it, one pixel each.
    auto bevel = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.fillRect(QRect(r.left(), r.top(), r.width() - 1, 1), topLeft);
        painter.fillRect(QRect(r.left(), r.top(), 1, r.height() - 1), topLeft);
        painter.fillRect(QRect(r.left(), r.bottom(), r.width(), 1), bottomRight);
        painter.fillRect(QRect(r.right(), r.top(), 1, r.height()), bottomRight);
    };
    bevel(rect(), light, shadow);
    bevel(rect().adjusted(1, 1, -1, -1), shadow, light);
}

void TItemPanel::setNick(const std::string& value) {
    m_record.Nick = value;
}

void TItemPanel::setPrice(double value) {
    m_record.Price = value;
    PriceLabel->setCaption(QString::fromUtf8("￥") + Text(FormatFixed(value, 2)));
}

void TItemPanel::setSPrice(double value) {
    m_record.SPrice = value;
    const QString shown = Text(FormatFixed(value, 2));
    OrigPriceLabel->setCaption(shown);
    DiscountLabel->move(OrigPriceLabel->x() + kCharWidth * static_cast<int>(shown.size()) + 2,
                        DiscountLabel->y());
    if (value == 0) {
        throw ArithmeticError(m_record.Price == 0 || std::isnan(m_record.Price)
                                  ? "Invalid floating point operation"
                                  : "Floating point division by zero");
    }
    const double discount = 10.0 * m_record.Price / value;
    if (!std::isfinite(discount))
        throw ArithmeticError("Floating point overflow");
    DiscountLabel->setCaption(QString::fromUtf8("元 ") + Text(FormatFixed(discount, 1)) +
                              QString::fromUtf8("折"));
}

void TItemPanel::setNum_iid(const std::string& value) {
    m_record.Num_iid = value;
}

void TItemPanel::setItemUrl(const std::string& value) {
    m_record.ItemUrl = value;
}

void TItemPanel::setSales_Num(int32_t value) {
    m_record.Sales_Num = value;
    const QString shown = QString::number(value);
    SalesNumLabel->setCaption(shown);
    SalesNumLabel->move(BoughtCaption->x() - kCharWidth * static_cast<int>(shown.size()) - 5,
                        SalesNumLabel->y());
}

void TItemPanel::setStock(int32_t value) {
    m_record.Stock = value;
    if (value > m_record.Sales_Num) {
        m_look = Look::InStock;
        BuyButton->setVisible(true);
        BackImage->setPicture(m_inStockBack);
    } else {
        m_look = Look::SoldOut;
        BuyButton->setVisible(false);
        BackImage->setPicture(m_soldOutBack);
    }
}

void TItemPanel::setShort_Title(const std::string& value) {
    m_record.Short_Title = value;
    const QString text = Text(value);
    TitleBox->setText(text);
    // Keep the start of a long title in view: the box cuts at the right, it never scrolls.
    TitleBox->setCursorPosition(0);
    DealImage->setToolTip(ShortHint(text));
}

void TItemPanel::setFull_Title(const std::string& value) {
    m_record.Full_Title = value;
}

void TItemPanel::setImagefile(const std::string& value) {
    m_record.Imagefile = value;
    if (const auto picture = LoadCachedPicture(
            value, kTilePictureSuffix, BadCachedPicture::KeepPlaceholder, DealImage->size()))
        DealImage->setPicture(*picture);
}

void TItemPanel::setStop_time(DateTime value) {
    m_record.Stop_time = value;
}
