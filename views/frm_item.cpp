#include "views/frm_item.h"

#include <QApplication>
#include <QBuffer>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMovie>
#include <QTimer>
#include <QWindow>

#include "deals/deal_clock.h"
#include "deals/marketplace_pages.h"
#include "deals/picture_cache.h"
#include "pictures/cached_picture.h"
#include "pictures/packaged_pictures.h"
#include "services/desktop_opener.h"
#include "services/errors.h"
#include "services/number_text.h"
#include "views/dx_image.h"
#include "views/fonts.h"
#include "views/label.h"
#include "views/memo.h"
#include "views/picture_box.h"
#include "views/window_centring.h"

namespace {

const QColor kGreyText(0x66, 0x66, 0x66);
const QColor kBuyersGreen(0x7F, 0xA6, 0x00);
const QColor kMaroon(0x80, 0x00, 0x00);
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kMemoBackground(0xFF, 0xFF, 0xAE);

// The title: 27-px Hei in lines of 29 px, two of which fill the 62-px box.
constexpr int kTitlePx = 27;
constexpr int kTitleLineHeight = 29;
constexpr int kTitleBaseline = 24;

const char kYuan[] = "￥";
const char kInStockText[] = "数量有限,赶快下单吧!";
const char kSoldOutText[] = "已经卖光啦,下次早点来吧!";

QString Yuan(double amount) {
    return QString::fromUtf8(kYuan) + QString::fromStdString(FormatFixed(amount, 2));
}

// A label that takes the size of its text.
TLabel* AutoLabel(QWidget* form, const char* name, int left, int top, const QString& text) {
    auto* label = new TLabel(form);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setAutoSize(true);
    label->setCaption(text);
    return label;
}

// A label of fixed size whose text is aligned inside it. The text's line is centred in the box
// from top to bottom: the stand-in faces' lines are taller than the box, their glyphs are not.
TLabel* BoxLabel(QWidget* form, const char* name, QRect box, Qt::Alignment horizontal,
                 const QString& text) {
    auto* label = new TLabel(form);
    label->setObjectName(QString::fromLatin1(name));
    label->setAutoSize(false);
    label->setGeometry(box);
    label->setAlignment(horizontal | Qt::AlignVCenter);
    label->setCaption(text);
    return label;
}

QFont StyledFont(const char* family, int pixelHeight, bool bold, bool strikeOut, bool underline) {
    QFont font = PixelFont(family, pixelHeight, bold);
    font.setStrikeOut(strikeOut);
    font.setUnderline(underline);
    return font;
}

// Titles come with CR LF line breaks from the feed; any of CR LF, CR or LF starts a new line.
QString TitleLines(const std::string& title) {
    QString text = QString::fromStdString(title);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

TfrmItem::TfrmItem(QWidget* owner) : QWidget(owner, Qt::Window | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmItem"));
    setWindowTitle(QStringLiteral("frmItem"));
    setFixedSize(kClientWidth, kClientHeight);
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, Qt::white);
    setPalette(windowPalette);
    setAutoFillBackground(true);
    setFont(PixelFont(kSansFace, 11));

    // The laid-out components, in the order in which they are drawn over one another.
    Image1 = new TImage(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(1, 63, 530, 250);
    Image1->setAutoSize(true);
    Image1->setPicture(PackagedImage(QStringLiteral("frmitem_back")));

    Image4 = new TImage(this);
    Image4->setObjectName(QStringLiteral("Image4"));
    Image4->setGeometry(216, 66, 313, 209);
    Image4->setAutoSize(false);
    Image4->setCursor(Qt::PointingHandCursor);
    connect(Image4, &TImage::clicked, this, &TfrmItem::Image4Click);

    LabelPrice = AutoLabel(this, "LabelPrice", 9, 74, QString::fromUtf8("￥10000.00"));
    LabelPrice->setFont(PixelFont(kHeiFace, 24, true));
    LabelPrice->setTextColor(Qt::white);
    LabelPrice->adjustSize();

    Label1 =
        BoxLabel(this, "Label1", QRect(33, 119, 35, 13), Qt::AlignLeft, QString::fromUtf8("原价"));
    Label2 =
        BoxLabel(this, "Label2", QRect(97, 119, 35, 13), Qt::AlignLeft, QString::fromUtf8("折扣"));
    Label3 =
        BoxLabel(this, "Label3", QRect(161, 119, 35, 13), Qt::AlignLeft, QString::fromUtf8("节省"));

    Label4 = BoxLabel(this, "Label4", QRect(12, 145, 62, 13), Qt::AlignHCenter,
                      QString::fromUtf8("￥1000.00"));
    Label4->setFont(StyledFont(kSansFace, 13, true, true, false));
    Label5 =
        BoxLabel(this, "Label5", QRect(93, 145, 32, 13), Qt::AlignHCenter, QStringLiteral("3.1"));
    Label5->setFont(PixelFont(kSansFace, 13, true));
    Label6 = BoxLabel(this, "Label6", QRect(139, 145, 66, 13), Qt::AlignHCenter,
                      QString::fromUtf8("￥300.20"));
    Label6->setFont(PixelFont(kSansFace, 13, true));

    Label7 = new TLabel(this);
    Label7->setObjectName(QStringLiteral("Label7"));
    Label7->setFont(PixelFont(kHeiFace, 24, true));
    Label7->move(97, 191);
    Label7->setAutoSize(true);
    Label7->setCaption(QStringLiteral("12"));

    Label8 = new TLabel(this);
    Label8->setObjectName(QStringLiteral("Label8"));
    Label8->setFont(PixelFont(kSongFace, 16));
    Label8->move(129, 197);
    Label8->setAutoSize(true);
    Label8->setCaption(QString::fromUtf8("人已购买"));

    Label9 = BoxLabel(this, "Label9", QRect(5, 242, 204, 16), Qt::AlignHCenter,
                      QString::fromUtf8(kInStockText));
    Label9->setFont(PixelFont(kSongFace, 16));

    Label10 = new TLabel(this);
    Label10->setObjectName(QStringLiteral("Label10"));
    Label10->setFont(PixelFont(kSongFace, 16));
    Label10->move(6, 286);
    Label10->setAutoSize(true);
    // The gaps leave room for the three countdown labels laid over them.
    Label10->setCaption(QString::fromUtf8("剩余时间    小时   分     秒"));

    Image5 = new TImage(this);
    Image5->setObjectName(QStringLiteral("Image5"));
    Image5->setGeometry(236, 284, 77, 19);
    Image5->setAutoSize(true);
    Image5->setCursor(Qt::PointingHandCursor);
    connect(Image5, &TImage::clicked, this, &TfrmItem::Image5Click);
    m_chatBytes = new QBuffer(this);
    // On a screen of device pixel ratio 2 the badge is the copy drawn at twice the size.
    int chatScale = PackagedPictureScale(qApp->devicePixelRatio());
    QByteArray chat =
        chatScale == 2 ? PackagedPictureBytes(QStringLiteral("chat@2x")) : QByteArray();
    if (chat.isEmpty()) {
        chatScale = 1;
        chat = PackagedPictureBytes(QStringLiteral("chat"));
    }
    m_chatBytes->setData(chat);
    m_chatBytes->open(QIODevice::ReadOnly);
    m_chatMovie = new QMovie(m_chatBytes, QByteArray(), this);
    m_chatMovie->setCacheMode(QMovie::CacheAll);
    m_chatMovie->start();
    Image5->setMovie(m_chatMovie, chatScale);

    const QFont countdownFont = PixelFont(kSansFace, 16, true);
    const QRect countdownBoxes[] = {QRect(69, 283, 34, 20), QRect(136, 283, 21, 20),
                                    QRect(175, 283, 36, 20)};
    const char* const countdownNames[] = {"Label11", "Label12", "Label13"};
    TLabel** const countdownLabels[] = {&Label11, &Label12, &Label13};
    for (int i = 0; i < 3; ++i) {
        TLabel* label = BoxLabel(this, countdownNames[i], countdownBoxes[i], Qt::AlignHCenter,
                                 QStringLiteral("00"));
        label->setFont(countdownFont);
        label->setTextColor(kMaroon);
        label->setBackgroundColor(Qt::white);
        *countdownLabels[i] = label;
    }

    Label14 = new TLabel(this);
    Label14->setObjectName(QStringLiteral("Label14"));
    Label14->setFont(StyledFont(kSongFace, 14, false, false, true));
    Label14->setTextColor(kNavy);
    Label14->setBackgroundColor(Qt::white);
    Label14->move(321, 287);
    Label14->setAutoSize(true);
    Label14->setCursor(Qt::PointingHandCursor);
    connect(Label14, &TLabel::clicked, this, &TfrmItem::Label14Click);

    Memo1 = new TMemo(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(1, 1, 530, 62);
    Memo1->setFont(PixelFont(kHeiFace, kTitlePx));
    // Two whole lines fit inside the frame: 1 + 29 + 29 of its 60 inner rows. The baseline sits
    // where the Hei face's ideographs (0.85 em above it, 0.1 em below) clear both line edges.
    Memo1->setTextMargins(2, 1);
    Memo1->setLineMetrics(kTitleLineHeight, kTitleBaseline);
    Memo1->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TfrmItem::Timer1Timer);

    FormCreate();

    // The title box is the one native child window and lies above everything else.
    Memo1->raise();

    // Watches which window of the program takes the focus (see otherWindowActivated).
    qApp->installEventFilter(this);
}

TfrmItem::~TfrmItem() {
    Timer1->stop();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

void TfrmItem::FormCreate() {
    // Disabled and enabled look alike: the title box is never meant to look greyed out.
    QPalette memoPalette = Memo1->palette();
    memoPalette.setColor(QPalette::Base, kMemoBackground);
    memoPalette.setColor(QPalette::Text, kGreyText);
    memoPalette.setColor(QPalette::WindowText, Qt::black);  // the flat border
    Memo1->setPalette(memoPalette);

    for (TLabel* label : {Label1, Label2, Label3, Label4, Label5, Label6})
        label->setTextColor(kGreyText);
    Label7->setTextColor(kBuyersGreen);
    for (TLabel* label : {Label8, Label9, Label10})
        label->setTextColor(kGreyText);

    m_itembak = PackagedImage(QStringLiteral("itembak"));
    m_itembak2 = PackagedImage(QStringLiteral("itembak2"));

    m_c1 = PackagedImage(QStringLiteral("c1"));
    m_c2 = PackagedImage(QStringLiteral("c2"));
    ImageJoin = new TDxImage(this);
    SetUpHoverButton(ImageJoin, "ImageJoin", QPoint(143, 70), m_c1, m_c2);
    connect(ImageJoin, &TImage::clicked, this, &TfrmItem::OpenItemPage);

    m_d1 = PackagedImage(QStringLiteral("d1"));
    m_d2 = PackagedImage(QStringLiteral("d2"));
    ImageExit = new TDxImage(this);
    SetUpHoverButton(ImageExit, "ImageExit", QPoint(465, 283), m_d1, m_d2);
    connect(ImageExit, &TImage::clicked, this, &QWidget::close);
}

void TfrmItem::setPrice(double value) {
    m_price = value;
    LabelPrice->setCaption(Yuan(m_price));
}

void TfrmItem::setSPrice(double value) {
    m_sPrice = value;
    Label4->setCaption(Yuan(m_sPrice));
    // The feed never lets a deal with no original price reach this window; should one come,
    // fail like the tile's own discount does instead of showing an infinite discount.
    if (m_sPrice == 0)
        throw ArithmeticError("Floating point division by zero");
    // Worked in extended precision, as the amounts are shown after rounding to 18 digits.
    const long double discount =
        static_cast<long double>(m_price) * 10 / static_cast<long double>(m_sPrice);
    Label5->setCaption(QString::fromStdString(FormatFixed(static_cast<double>(discount), 1)));
    const long double saving =
        static_cast<long double>(m_sPrice) - static_cast<long double>(m_price);
    Label6->setCaption(Yuan(static_cast<double>(saving)));
}

void TfrmItem::setSales_Num(int32_t value) {
    m_salesNum = value;
    Label7->setCaption(QString::number(m_salesNum));
    // The number ends just before "人已购买", 12 pixels per digit.
    Label7->move(Label8->x() - 12 * static_cast<int>(Label7->caption().length()) - 7, Label7->y());
}

void TfrmItem::setStock(int32_t value) {
    m_stock = value;
    showStockState();
}

void TfrmItem::showStockState() {
    const bool inStock = m_stock > m_salesNum;
    ImageJoin->setVisible(inStock);
    Image1->setPicture(inStock ? m_itembak : m_itembak2);
    Label9->setCaption(QString::fromUtf8(inStock ? kInStockText : kSoldOutText));
}

void TfrmItem::setTitle(const std::string& value) {
    m_title = value;
    Memo1->setText(TitleLines(m_title));
}

void TfrmItem::setImagefile(const std::string& value) {
    m_imagefile = value;
    if (const auto picture = LoadCachedPicture(m_imagefile, kDetailsPictureSuffix,
                                               BadCachedPicture::Report, Image4->size()))
        Image4->setPicture(*picture);
}

void TfrmItem::setNick(const std::string& value) {
    m_nick = value;
    Label14->setCaption(QString::fromStdString(m_nick));
}

void TfrmItem::setCurTime(DateTime value) {
    m_curTime = value;
    if (!m_closing && !Timer1->isActive())
        Timer1->start();
}

void TfrmItem::Timer1Timer() {
    const Countdown left = ComputeCountdown(m_stopTime, m_curTime);
    // Hours and minutes change rarely: leave them alone unless they do, so they are not
    // repainted ten times a second.
    const QString hours = QString::number(left.Hours);
    if (Label11->caption() != hours)
        Label11->setCaption(hours);
    const QString minutes = QString::number(left.Minutes);
    if (Label12->caption() != minutes)
        Label12->setCaption(minutes);
    Label13->setCaption(QString::number(left.Seconds) + QLatin1Char('.') +
                        QString::number(left.Tenths));
    m_curTime = AddMilliseconds(m_curTime, 100);
}

void TfrmItem::OpenItemPage() {
    OpenUrlInBrowser(ItemPageAddress(m_itemUrl, m_numIid));
    close();
}

void TfrmItem::Label14Click() {
    OpenUrlInBrowser(ShopPageAddress(m_nick));
}

void TfrmItem::Image5Click() {
    OpenUrlInBrowser(ChatPageAddress(m_nick, m_numIid));
}

void TfrmItem::setVisible(bool visible) {
    if (visible && isHidden()) {
        // A closed window waits only for its deletion; it is never shown again.
        if (m_closing)
            return;
        if (QWidget* owner = parentWidget()) {
            CentreWindowIn(*this, owner->window()->frameGeometry());
        }
        m_shown = true;
    }
    QWidget::setVisible(visible);
}

bool TfrmItem::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget == this)
            refuseActivationByMouse();
        else if (widget->isWindow())
            otherWindowActivated(widget);
    }
    return QWidget::eventFilter(watched, event);
}

// The program shows and focuses the popup once; after that a mouse press on it must not activate
// it again (the press still reaches the control under the pointer). Once it is active the window
// stops accepting the focus from the window manager: a click then leaves the activation where it
// is, with another program too. Set only now, since the opening's own focusing needs it.
void TfrmItem::refuseActivationByMouse() {
    if (QWindow* window = windowHandle())
        window->setFlag(Qt::WindowDoesNotAcceptFocus, true);
}

// The popup belongs to the main window like a drop-down: it goes as soon as any other window of
// the program becomes active, directly from the popup or later, after the user has been in
// another program. Losing the activation to another program alone never closes it. Only a window
// that has been shown takes part: one still being filled stays alive.
void TfrmItem::otherWindowActivated(QWidget*) {
    if (m_shown && !m_closing)
        close();
}

void TfrmItem::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmItem::closeEvent(QCloseEvent* event) {
    event->accept();
    if (m_closing)
        return;
    m_closing = true;
    // Stopped before the deferred deletion, so no step runs on a window on its way out.
    Timer1->stop();
    m_chatMovie->stop();
    qApp->removeEventFilter(this);
    deleteLater();
}
