#pragma once
// The stand-in service's deals: a fixed catalogue whose stop times are set relative to the
// moment the service starts and whose sales counts grow while it runs.

#include <string>
#include <vector>

#include "services/date_time.h"
#include "services/regional_settings.h"

enum class PictureKind {
    Shirt,
    Dress,
    Shoe,
    Bag,
    Headphones,
    Mug,
    Snack,
    Bottle,
    Watch,
    Pillow,
    Tea,
    Lamp,
    Phone
};

struct CatalogueDeal {
    std::string nick;
    std::string shortTitle;
    std::string fullTitle;
    double price;
    double sprice;
    std::string numIid;
    bool hasItemUrl;
    int salesAtStart;
    int stock;
    double hoursLeft;       // stop time, counted from the start of the service
    double secondsPerSale;  // 0: nobody buys it any more
    PictureKind kind;
    unsigned colour;  // main colour of the product picture, 0xRRGGBB
};

class Catalogue {
public:
    explicit Catalogue(DateTime startedAt);

    const std::vector<CatalogueDeal>& deals() const { return m_deals; }
    const CatalogueDeal* find(const std::string& numIid) const;

    // The sales count after `elapsedSeconds` of running: it grows at the deal's pace and never
    // passes the stock (a deal that sells out stays sold out).
    static int SalesAfter(const CatalogueDeal& deal, double elapsedSeconds);

    // The feed document, UTF-8; pictureBase and itemPageBase are "http://host:port" prefixes.
    // Numbers and stop times are written in the given regional format.
    std::string FeedXml(double elapsedSeconds, const std::string& pictureBase,
                        const std::string& itemPageBase,
                        const RegionalSettings& regional = RegionalSettings::Current()) const;

    DateTime startedAt() const { return m_startedAt; }

private:
    DateTime m_startedAt;
    std::vector<CatalogueDeal> m_deals;
};

// UTF-8 to GBK; throws std::runtime_error for a character GBK lacks.
std::string Utf8ToGbk(const std::string& text);

// Text safe inside an XML or HTML element or attribute.
std::string EscapeMarkup(const std::string& text);
