#pragma once
// Feeds, pictures and window set-up shared by the main-window tests, the snapshot tool and the
// grid benchmark.

#include <string>
#include <vector>

class LoopbackServer;

// One deal of a feed; an empty optional field is left out of the document altogether.
struct FeedDealValues {
    std::string nick = "seller";
    std::string short_title = "title";
    std::string full_title = "full title";
    std::string price = "29.90";
    std::string sprice = "99.00";
    std::string num_iid = "1001";
    std::string itemurl = "";
    std::string sales_num = "5";
    std::string stock = "100";
    std::string imagefile = "";
    std::string stop_time;  // "" uses a fixed time in the regional format
    bool omitNick = false, omitItemUrl = false, omitImagefile = false;
};

// The "stop_time" text of 2030-01-02 03:04:05 in the regional format the readers expect.
std::string SampleStopTime();

// <deal>...</deal> with the given values, in the given element name.
std::string DealElement(const FeedDealValues& deal, const std::string& elementName = "deal");
// A whole document: declaration (when encoding is not empty), root "deals", the deals joined by
// separator.
std::string FeedDocumentText(const std::vector<FeedDealValues>& deals,
                             const std::string& separator = "",
                             const std::string& encoding = "UTF-8");
std::vector<FeedDealValues> NumberedDeals(int count, const std::string& pictureBase = "");

// UTF-8 text re-encoded as GBK (through iconv).
std::string ToGbk(const std::string& utf8);

// A baseline JPEG of the given size through libjpeg: a colour gradient with a dark frame.
std::string MakeJpeg(int width, int height, int seed);

// A fresh empty folder under the system's temporary folder.
std::string MakeTempFolder(const std::string& prefix);
void RemoveFolder(const std::string& folder);

// Keeps a test program's requests and settings off this machine's: unsets the proxy variables and
// points XDG_CONFIG_HOME into a fresh folder named with the prefix. Returns that home folder.
std::string UsePrivateHome(const std::string& prefix);
