// Opening the window for a clicked tile: the deal handed over in its order, the picture from the
// cache, and what happens when that picture is bad or missing.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QFile>
#include <QTemporaryDir>
#include <filesystem>

#include "app/application.h"
#include "app/details_opening.h"
#include "deals/deal_clock.h"
#include "deals/picture_cache.h"
#include "deals/vendor_service.h"
#include "details_support.h"
#include "services/errors.h"

namespace details_test {
namespace {

// A loopback port nobody listens on: a download from it fails at once.
int ClosedLoopbackPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    close(fd);
    return ntohs(address.sin_port);
}

class DetailsOpeningTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(cacheDir.isValid());
        SetImageCacheDirForTesting(cacheDir.path().toStdString());
        SetUrlOpenerForTesting([this](const std::string& url) { opened.push_back(url); });
        ZorviaApplication::SetErrorReporterForTesting([this](const QString& text) {
            reports.push_back(text);
            // What is left of the failed opening at the moment the user sees the report.
            windowsAtReport = mainWindow.findChildren<TfrmItem*>().size();
        });
        mainWindow.setGeometry(100, 80, 818, 550);
        ASSERT_TRUE(ActivateAndWait(&mainWindow));

        deal.Nick = "小店 A";
        deal.Short_Title = "short";
        deal.Full_Title = "完整的标题 the full title";
        deal.Price = 31;
        deal.SPrice = 100;
        deal.Num_iid = "520123";
        deal.ItemUrl = "";
        deal.Sales_Num = 128;
        deal.Stock = 128;
        deal.Imagefile = "http://127.0.0.1:" + std::to_string(ClosedLoopbackPort()) + "/pic/a";
        deal.Stop_time = AddMilliseconds(Noon(), 3723450);
    }

    void TearDown() override {
        for (TfrmItem* window : mainWindow.findChildren<TfrmItem*>())
            delete window;
        FlushDeletions();
        SetImageCacheDirForTesting("");
        SetUrlOpenerForTesting({});
        ZorviaApplication::SetErrorReporterForTesting({});
    }

    std::string CachedPicturePath() const {
        return CacheFilePath(deal.Imagefile, kDetailsPictureSuffix);
    }

    void CacheGoodPicture() {
        QImage picture(310, 310, QImage::Format_RGB32);
        picture.fill(QColor(200, 30, 30));
        std::filesystem::create_directories(
            std::filesystem::path(CachedPicturePath()).parent_path());
        ASSERT_TRUE(picture.save(QString::fromStdString(CachedPicturePath()), "JPG"));
    }

    void CacheBadPicture() {
        std::filesystem::create_directories(
            std::filesystem::path(CachedPicturePath()).parent_path());
        QFile file(QString::fromStdString(CachedPicturePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<html>not found</html>");
    }

    TfrmItem* OnlyWindow() {
        const QList<TfrmItem*> windows = mainWindow.findChildren<TfrmItem*>();
        return windows.size() == 1 ? windows.front() : nullptr;
    }

    QTemporaryDir cacheDir;
    QWidget mainWindow;
    DealRecord deal;
    std::vector<std::string> opened;
    std::vector<QString> reports;
    qsizetype windowsAtReport = -1;
};

TEST_F(DetailsOpeningTest, TheDealArrivesInOrderAndTheWindowOpensFocused) {
    CacheGoodPicture();
    const DateTime clock = Noon();
    OpenDetailsWindow(&mainWindow, deal, clock);

    TfrmItem* window = OnlyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->MainWindow(), &mainWindow);
    EXPECT_EQ(window->StopTime(), deal.Stop_time);
    EXPECT_EQ(window->CurTime(), AddMilliseconds(clock, 300));
    EXPECT_TRUE(window->findChild<QTimer*>("Timer1")->isActive());
    // Discount and saving need the price first; the sold-out look needs the count first.
    auto caption = [&](const char* name) {
        return window->findChild<TLabel*>(QLatin1String(name))->caption();
    };
    EXPECT_EQ(caption("LabelPrice"), QString::fromUtf8("￥31.00"));
    EXPECT_EQ(caption("Label5"), QStringLiteral("3.1"));
    EXPECT_EQ(caption("Label6"), QString::fromUtf8("￥69.00"));
    EXPECT_EQ(caption("Label7"), QStringLiteral("128"));
    EXPECT_EQ(caption("Label9"), QString::fromUtf8("已经卖光啦,下次早点来吧!"));
    EXPECT_TRUE(window->findChild<TDxImage*>("ImageJoin")->isHidden());
    EXPECT_EQ(window->findChild<TMemo*>("Memo1")->text(), QString::fromStdString(deal.Full_Title));
    EXPECT_EQ(window->num_iid(), deal.Num_iid);
    EXPECT_EQ(window->ItemUrl(), deal.ItemUrl);
    EXPECT_EQ(caption("Label14"), QString::fromUtf8("小店 A"));
    const TImage* bigPicture = window->findChild<TImage*>("Image4");
    // Decoded as far as the box shows it: the picture's whole width, the box's height.
    EXPECT_EQ(bigPicture->picture().size(), QSize(310, 209));
    EXPECT_EQ(bigPicture->size(), QSize(313, 209));

    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(WaitUntil([&] { return QApplication::activeWindow() == window; }));

    // The first step shows the distance from the click plus 300 ms.
    window->Timer1Timer();
    EXPECT_EQ(caption("Label11"), QStringLiteral("1"));
    EXPECT_EQ(caption("Label12"), QStringLiteral("2"));
    EXPECT_EQ(caption("Label13"), QStringLiteral("3.1"));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DetailsOpeningTest, APictureThatCannotBeFetchedLeavesThePlaceholderAndOpensAllTheSame) {
    OpenDetailsWindow(&mainWindow, deal, Noon());
    TfrmItem* window = OnlyWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->findChild<TImage*>("Image4")->hasPicture());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->findChild<TLabel*>("Label14")->caption(), QString::fromUtf8("小店 A"));
    EXPECT_FALSE(std::filesystem::exists(CachedPicturePath()));
    EXPECT_TRUE(reports.empty());
}

TEST_F(DetailsOpeningTest, ABadCachedPictureFailsTheOpeningReleasesTheWindowAndIsDeleted) {
    CacheBadPicture();
    EXPECT_THROW(OpenDetailsWindow(&mainWindow, deal, Noon()), ZorviaError);
    EXPECT_TRUE(mainWindow.findChildren<TfrmItem*>().isEmpty());
    EXPECT_FALSE(std::filesystem::exists(CachedPicturePath()));
    for (QWidget* topLevel : QApplication::topLevelWidgets())
        EXPECT_EQ(qobject_cast<TfrmItem*>(topLevel), nullptr);
}

TEST_F(DetailsOpeningTest, ABadCachedPictureReachesTheErrorReportFromTheClickThatOpened) {
    CacheBadPicture();
    TImage tile(&mainWindow);
    tile.setGeometry(5, 5, 250, 250);
    tile.show();
    QObject::connect(&tile, &TImage::clicked,
                     [&] { OpenDetailsWindow(&mainWindow, deal, Noon()); });

    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(20, 20));

    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports.front().startsWith(QStringLiteral("JPEG error")))
        << reports.front().toStdString();
    EXPECT_EQ(windowsAtReport, 0);
    EXPECT_FALSE(std::filesystem::exists(CachedPicturePath()));

    // The next opening downloads the picture again; here the download fails and the window
    // opens with its placeholder.
    QTest::mouseClick(&tile, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(reports.size(), 1u);
    ASSERT_NE(OnlyWindow(), nullptr);
    EXPECT_TRUE(OnlyWindow()->isVisible());
}

}  // namespace
}  // namespace details_test
