#include "app/frm_main.h"

#include <QCloseEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWheelEvent>

#include "app/details_opening.h"
#include "app/start_budget.h"
#include "app/wheel_hook.h"
#include "deals/deal_clock.h"
#include "deals/deal_feed.h"
#include "deals/feed_pictures.h"
#include "deals/picture_budget.h"
#include "deals/picture_cache.h"
#include "deals/picture_prefetch.h"
#include "deals/vendor_service.h"
#include "pictures/pictures_decoded_ahead.h"
#include "services/date_text.h"
#include "services/number_text.h"
#include "views/fonts.h"
#include "views/grid_keys.h"
#include "views/item_panel.h"
#include "views/scroll_box.h"
#include "views/window_centring.h"

namespace {

void CloseQuietly(HttpClient& client) {
    try {
        Disconnect(client);
    } catch (...) {
    }
}

}  // namespace

TfrmZORMain::TfrmZORMain(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("frmZORMain"));
    setWindowTitle(QString::fromUtf8("ZorviaⅡ"));
    // Title bar with the system menu and minimize only; the fixed size keeps it from resizing.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(PixelFont(kSansFace, 11));

    ScrollBox1 = new TScrollBox(this);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(100);
    connect(Timer1, &QTimer::timeout, this, &TfrmZORMain::Timer1Timer);
    ApplicationEvents1 = new TApplicationEvents(this);
    ApplicationEvents1->OnMessage = [this](QEvent* event, bool& handled) {
        ApplicationEvents1Message(event, handled);
    };

    // A new main window is a program that runs (tests make several in one process).
    AntiFreeze::SetQuitting(false);
    FormCreate();
}

void TfrmZORMain::keyPressEvent(QKeyEvent* event) {
    if (!ScrollByKey(*ScrollBox1, *event))
        QWidget::keyPressEvent(event);
}

TfrmZORMain::~TfrmZORMain() {
    // The children (tiles, details windows, the hook) go first, while AntiFreeze and the
    // client still exist; a details window may still be waiting on a download.
    delete ApplicationEvents1;
    ApplicationEvents1 = nullptr;
    while (!children().isEmpty())
        delete children().last();
}

void TfrmZORMain::FormCreate() {
    ImageUrlList.clear();

    setFixedSize(kClientWidth, kClientHeight);
    ScrollBox1->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusBarHeight);
    StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        CentreWindowIn(*this, screen->availableGeometry());

    SetClockTime(CurrentLocalDateTime());
    // A cache is only pruned against a feed that was read: a feed that could not be had says
    // nothing about which pictures are still wanted.
    if (LoadItems())
        PruneCache(ImageUrlList);
}

void TfrmZORMain::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    AntiFreeze::SetQuitting(true);
    emit closed();
}

void TfrmZORMain::SetClockTime(DateTime value) {
    ClockTime = value;
    Timer1->start();
}

void TfrmZORMain::Timer1Timer() {
    ClockTime = AddMilliseconds(ClockTime, 100);
}

void TfrmZORMain::ApplicationEvents1Message(QEvent* event, bool& /*handled*/) {
    if (event->type() != QEvent::Wheel)
        return;
    const auto* wheel = static_cast<const QWheelEvent*>(event);
    if (!IsVerticalWheelMessage(*wheel))
        return;
    QScrollBar* bar = ScrollBox1->verticalScrollBar();
    bar->triggerAction(WheelMessageWord(*wheel) > 0 ? QAbstractSlider::SliderSingleStepSub
                                                    : QAbstractSlider::SliderSingleStepAdd);
}

bool TfrmZORMain::LoadItems() {
    // The program comes up even when the service, the picture hosts or the proxy stall.
    ApplySystemProxy(IdHTTP1);
    const HttpLimits usual = IdHTTP1.Limits;
    IdHTTP1.Limits.Deadline = FeedDeadline();
    std::string text;
    try {
        text = FetchDealFeed(IdHTTP1);
    } catch (...) {
        // A feed that cannot be had leaves the grid empty; nothing is said.
        IdHTTP1.Limits = usual;
        return false;
    }
    IdHTTP1.Limits = usual;
    try {
        const PictureBudget pictures(PicturesDeadline());
        const FeedDocument document(text);
        const std::vector<std::string> pictureUrls = FeedPictureUrls(document);
        // The missing pictures come together first, within the same budget; each tile then
        // finds its own in the cache.
        const TilePicturePrefetch prefetched(pictureUrls, pictures.deadline());
        // Each picture is decoded beside the building of the tiles instead of in turn with it.
        const PicturesDecodedAhead decoded(pictureUrls, kTilePictureSuffix,
                                           TItemPanel::kDealPictureSize);
        ParseItems(document);
    } catch (...) {
        return false;  // not a feed that can be read
    }
    return true;
}

void TfrmZORMain::ParseItems(const std::string& text) {
    ParseItems(FeedDocument(text));
}

void TfrmZORMain::ParseItems(const FeedDocument& document) {
    if (!document.hasRoot())
        return;
    const int count = document.dealCount();
    // The content is sized once, for every tile placed, however the loop ends.
    const TScrollBox::TileBatch batch(*ScrollBox1);
    int placed = 0;
    for (int i = 0; i < count; ++i) {
        // A deal that fails half way is dropped with its tile, and only it: the grid never shows
        // it, and the next deal takes its place. Its picture URL stays listed once its picture
        // was asked for, so the pruning keeps a file that was fetched. The tile is made inside
        // the grid, hidden until it is placed: moved in afterwards, each tile would have its
        // fonts, palette and style worked out twice.
        try {
            const FeedDeal deal = document.deal(i);
            auto tile = std::make_unique<TItemPanel>(ScrollBox1->content());
            tile->move((placed % 3) * kTileStep + kTileMargin,
                       (placed / 3) * kTileStep + kTileMargin);
            tile->setNick(deal.value("nick"));
            tile->setShort_Title(deal.value("short_title"));
            tile->setFull_Title(deal.value("full_title"));
            tile->setPrice(ReadMoney(deal.value("price")));
            tile->setSPrice(ReadMoney(deal.value("sprice")));
            tile->setNum_iid(deal.value("num_iid"));
            tile->setItemUrl(deal.value("itemurl"));
            tile->setSales_Num(ReadCount(deal.value("sales_num")));
            tile->setStock(ReadCount(deal.value("stock")));
            tile->setImagefile(deal.value("imagefile"));
            ImageUrlList.push_back(tile->Imagefile());
            tile->setStop_time(ReadDateTime(deal.value("stop_time")));
            TItemPanel* shown = tile.release();
            ScrollBox1->addTile(shown);
            shown->OnImageButClick = [this](TItemPanel* sender) { ItemImageButClick(sender); };
            ++placed;
        } catch (...) {
        }
    }
}

void TfrmZORMain::ItemImageButClick(TItemPanel* tile) {
    // The client carries one request at a time, and a click can be dispatched while a
    // refresh waits: such a click is dropped rather than started on the busy client.
    if (tile == nullptr || m_refreshing || IdHTTP1.busy())
        return;
    m_refreshing = true;
    const int32_t fallback = tile->Sales_Num();
    try {
        Disconnect(IdHTTP1);
        const int32_t count = FetchSalesNum(IdHTTP1, tile->Num_iid(), fallback);
        tile->setSales_Num(count);
        tile->setStock(tile->Stock());
        Disconnect(IdHTTP1);
    } catch (...) {
        CloseQuietly(IdHTTP1);
    }
    m_refreshing = false;
    // Closed while the count was asked for: the program is ending, no window opens.
    if (AntiFreeze::Quitting())
        return;
    OpenDetailsWindow(this, tile->record(), ClockTime);
}

std::vector<TItemPanel*> TfrmZORMain::tiles() const {
    std::vector<TItemPanel*> result;
    for (QObject* child : ScrollBox1->content()->children()) {
        if (auto* tile = qobject_cast<TItemPanel*>(child))
            result.push_back(tile);
    }
    return result;
}
