#include "deals/feed_pictures.h"

#include <cmath>

#include "deals/deal_feed.h"
#include "services/number_text.h"

std::vector<std::string> FeedPictureUrls(const std::string& feedText) {
    try {
        return FeedPictureUrls(FeedDocument(feedText));
    } catch (...) {
        // Not a feed the grid can read either: it shows no tile, so no picture is wanted.
        return {};
    }
}

std::vector<std::string> FeedPictureUrls(const FeedDocument& document) {
    std::vector<std::string> urls;
    if (!document.hasRoot())
        return urls;
    const int count = document.dealCount();
    for (int i = 0; i < count; ++i) {
        // The values a tile reads before its picture, read the same way and in the same order,
        // so that a deal the grid drops costs no download; the deals after it go on.
        try {
            const FeedDeal deal = document.deal(i);
            for (const char* name : {"nick", "short_title", "full_title"})
                deal.value(name);
            const double price = ReadMoney(deal.value("price"));
            const double dealPrice = ReadMoney(deal.value("sprice"));
            if (dealPrice == 0 || !std::isfinite(10.0 * price / dealPrice))
                continue;  // the tile's discount cannot be worked out
            deal.value("num_iid");
            deal.value("itemurl");
            ReadCount(deal.value("sales_num"));
            ReadCount(deal.value("stock"));
            urls.push_back(deal.value("imagefile"));
        } catch (...) {
        }
    }
    return urls;
}
