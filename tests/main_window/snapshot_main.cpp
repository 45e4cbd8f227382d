// Writes a picture of the main window, filled from a GBK feed served on loopback, to the path
// given as the first argument (default main-window.png). Runs on any Qt platform; with
// QT_QPA_PLATFORM=offscreen it needs no display.
#include <stdlib.h>

#include <QPixmap>
#include <QTest>
#include <cstdio>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/frm_main.h"
#include "deals/picture_cache.h"
#include "deals/vendor_service.h"
#include "loopback_server.h"
#include "test_support.h"

int main(int argc, char** argv) {
    const std::string out = argc > 1 ? argv[1] : "main-window.png";
    const std::string home = UsePrivateHome("zorvia-snap-home-");
    LoopbackServer server;
    setenv("ZORVIA_SERVICE_URL", server.baseUrl().c_str(), 1);
    ZorviaApplication app(argc, argv);

    const char* titles[] = {"夏季新款雪纺连衣裙", "进口零食大礼包", "纯棉四件套床品",
                            "不锈钢保温杯500ml",  "无线蓝牙耳机",   "手工牛轧糖礼盒",
                            "儿童益智积木",       "真皮男士钱包"};
    const char* nicks[] = {"韩衣旗舰店", "零食小铺", "家纺专营店", "厨具之家",
                           "数码潮品",   "台湾手信", "玩具总动员", "皮具工坊"};
    const std::string pictures = server.baseUrl() + "/bao/uploaded/i";
    std::vector<FeedDealValues> deals;
    for (int i = 0; i < 8; ++i) {
        FeedDealValues deal;
        deal.short_title = titles[i];
        deal.full_title = std::string(titles[i]) + " 限时团购";
        deal.nick = nicks[i];
        deal.price = std::to_string(19 + i * 7) + ".90";
        deal.sprice = std::to_string(99 + i * 30) + ".00";
        deal.num_iid = std::to_string(40001 + i);
        deal.sales_num = std::to_string(37 * (i + 1));
        deal.stock = (i == 2 || i == 5) ? deal.sales_num : std::to_string(500);
        deal.imagefile = pictures + std::to_string(i) + ".jpg";
        if (i != 7) {
            CannedReply jpeg;
            jpeg.body = MakeJpeg(250, 250, i + 1);
            server.setReply("/bao/uploaded/i" + std::to_string(i) + ".jpg_250x250.jpg", jpeg);
        }
        deals.push_back(deal);
    }
    CannedReply feed;
    feed.body = ToGbk(FeedDocumentText(deals, "\r\n  ", "GBK"));
    server.setReply(kDealFeedPath, feed);

    const std::string cache = MakeTempFolder("zorvia-snap-cache-");
    SetImageCacheDirForTesting(cache);
    int status = 0;
    {
        TfrmZORMain window;
        window.show();
        if (!QTest::qWaitForWindowExposed(&window))
            status = 1;
        QTest::qWait(200);
        if (!window.grab().save(QString::fromStdString(out), "PNG"))
            status = 1;
        std::printf("%s: %zu tiles\n", out.c_str(), window.tiles().size());
    }
    SetImageCacheDirForTesting("");
    RemoveFolder(cache);
    RemoveFolder(home);
    return status;
}
