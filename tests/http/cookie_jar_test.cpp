// Which cookies the jar keeps, which it sends back where, and when they go.
#include <gtest/gtest.h>

#include "services/http/cookie_jar.h"

namespace {

using std::chrono::seconds;
using TimePoint = CookieJar::TimePoint;

const TimePoint kNow = std::chrono::system_clock::from_time_t(1765360000);  // Dec 2025

struct SendCase {
    const char* name;
    const char* setCookie;
    const char* setHost;
    const char* setTarget;
    const char* askHost;
    const char* askTarget;
    const char* header;  // what the later request carries
};

class CookieSending : public ::testing::TestWithParam<SendCase> {};

TEST_P(CookieSending, MatchesHostAndPath) {
    const SendCase& c = GetParam();
    CookieJar jar;
    jar.Store(c.setCookie, c.setHost, c.setTarget, kNow);
    jar.RemoveExpired(kNow);
    EXPECT_EQ(jar.HeaderFor(c.askHost, c.askTarget), c.header);
}

const SendCase kSendCases[] = {
    {"SameHostAndFolder", "sid=abc; path=/software/", "deals.example", "/software/zor2_items.php",
     "deals.example", "/software/zor2_item.php?num_iid=7", "sid=abc"},
    {"HostLetterCaseIgnored", "sid=abc; path=/", "Deals.Example", "/", "DEALS.example", "/x",
     "sid=abc"},
    {"QuotedPath", "sid=abc; PATH=\"/software/\"", "deals.example", "/software/a", "deals.example",
     "/software/b", "sid=abc"},
    {"PathOutsideFolder", "sid=abc; path=/software/", "deals.example", "/software/a",
     "deals.example", "/other/b", ""},
    {"PathIsPlainPrefix", "sid=abc; path=/soft", "deals.example", "/software/a", "deals.example",
     "/software/b", "sid=abc"},
    {"QueryIsNoFolder", "sid=abc; path=/software/", "deals.example", "/software/a", "deals.example",
     "/x.php?back=/software/", ""},
    {"NoPathTakesRequestFolder", "sid=abc", "deals.example", "/software/zor2_items.php",
     "deals.example", "/software/zor2_item.php?num_iid=1", "sid=abc"},
    {"NoPathNotSentElsewhere", "sid=abc", "deals.example", "/software/zor2_items.php",
     "deals.example", "/pictures/a.jpg", ""},
    {"EmptyPathTakesRequestFolder", "sid=abc; path=", "deals.example", "/software/a.php",
     "deals.example", "/software/b.php", "sid=abc"},
    {"OtherHostNeverGetsIt", "sid=abc; path=/", "deals.example", "/", "pictures.example", "/", ""},
    {"HostEndingAlikeNeverGetsIt", "sid=abc; path=/", "deals.example", "/", "baddeals.example", "/",
     ""},
    {"HostContainingItNeverGetsIt", "sid=abc; path=/", "deals.example", "/", "deals.example.net",
     "/", ""},
    {"SubdomainGetsIt", "sid=abc; path=/", "deals.example", "/", "img.deals.example", "/",
     "sid=abc"},
    {"ParentDomainAccepted", "sid=abc; domain=deals.example; path=/", "www.deals.example", "/",
     "img.deals.example", "/", "sid=abc"},
    {"ParentDomainWithDotAccepted", "sid=abc; Domain=.Deals.Example; path=/", "www.deals.example",
     "/", "deals.example", "/", "sid=abc"},
    {"ForeignDomainDropped", "sid=abc; domain=other.example; path=/", "www.deals.example", "/",
     "other.example", "/", ""},
    {"GrandparentDomainDropped", "sid=abc; domain=example; path=/", "deals.example", "/",
     "x.example", "/", ""},
    {"NumericHostOnlyItself", "sid=abc; domain=0.0.1; path=/", "127.0.0.1", "/", "9.0.0.1", "/",
     ""},
    {"NumericHostItself", "sid=abc; path=/", "127.0.0.1", "/", "127.0.0.1", "/y", "sid=abc"},
    {"NumericHostNotSuffix", "sid=abc; path=/", "0.0.1", "/", "127.0.0.1", "/", ""},
    {"SecureNeverSent", "sid=abc; path=/; secure", "deals.example", "/", "deals.example", "/", ""},
    {"EmptyValueNeverSent", "sid=; path=/", "deals.example", "/", "deals.example", "/", ""},
    {"NamelessDropped", "=abc; path=/", "deals.example", "/", "deals.example", "/", ""},
    {"SpacesTrimmed", "  sid = a b  ;  path = /  ", "deals.example", "/", "deals.example", "/",
     "sid=a b"},
    {"ExpiredOnArrival", "sid=abc; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT", "deals.example",
     "/", "deals.example", "/", ""},
    {"MaxAgeZeroGoesAtOnce", "sid=abc; path=/; max-age=0", "deals.example", "/", "deals.example",
     "/", ""},
    {"ExpiresBeforeMaxAge", "sid=abc; path=/; expires=Thu, 01 Jan 1970 00:00:00 GMT; max-age=999",
     "deals.example", "/", "deals.example", "/", ""},
    {"FutureExpiresKept", "sid=abc; path=/; Expires=Fri, 01 Jan 2100 00:00:00 GMT", "deals.example",
     "/", "deals.example", "/", "sid=abc"},
    {"UnreadableExpiresIgnored", "sid=abc; path=/; expires=soon", "deals.example", "/",
     "deals.example", "/", "sid=abc"},
    {"VersionAndCommentIgnored", "sid=abc; Version=1; Comment=\"x\"; path=/", "deals.example", "/",
     "deals.example", "/", "sid=abc"},
};

INSTANTIATE_TEST_SUITE_P(Jar, CookieSending, ::testing::ValuesIn(kSendCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CookieJarOrder, LongerPathsFirstAndReplacement) {
    CookieJar jar;
    jar.Store("a=1; path=/", "deals.example", "/", kNow);
    jar.Store("b=2; path=/software/deep/", "deals.example", "/", kNow);
    jar.Store("c=3; path=/software/", "deals.example", "/", kNow);
    jar.Store("d=4; path=/", "deals.example", "/", kNow);
    jar.Store("a=5; path=/", "deals.example", "/", kNow);  // replaces a=1 in its place
    EXPECT_EQ(jar.HeaderFor("deals.example", "/software/deep/x"), "b=2; c=3; a=5; d=4");
    EXPECT_EQ(jar.cookies().size(), 4u);
}

TEST(CookieJarBounds, ControlBytesAndOversizedCookiesAreDropped) {
    const std::string dropped[] = {
        "a=1\r\nX-Injected: 1; path=/",
        "a=1\x01x; path=/",
        "a\x7f=1; path=/",
        "a=1\tx; path=/",
        std::string("a\0b=1; path=/", 12),
        "big=" + std::string(CookieJar::kMaxCookieBytes - 3, 'v'),
    };
    for (const std::string& value : dropped) {
        CookieJar jar;
        jar.Store(value, "deals.example", "/", kNow);
        EXPECT_EQ(jar.size(), 0u) << value;
    }
    CookieJar jar;
    jar.Store("big=" + std::string(CookieJar::kMaxCookieBytes - 4, 'v'), "deals.example", "/",
              kNow);
    jar.Store("spaced=a b; path=/", "deals.example", "/", kNow);
    jar.Store("high=\xe4\xbd\xa0; path=/", "deals.example", "/", kNow);
    EXPECT_EQ(jar.size(), 3u) << "at the size bound, spaces and high bytes are fine";
}

TEST(CookieJarBounds, OldestGoesBeyondFiftyPerDomainAndThreeThousandInAll) {
    CookieJar jar;
    for (int i = 0; i < 60; ++i)
        jar.Store("c" + std::to_string(i) + "=v; path=/", "deals.example", "/", kNow);
    jar.Store("c10=renewed; path=/", "deals.example", "/", kNow);  // a replacement keeps its age
    EXPECT_EQ(jar.size(), CookieJar::kMaxPerDomain);
    EXPECT_EQ(jar.cookies().front().name, "c10");
    EXPECT_EQ(jar.cookies().front().value, "renewed");
    EXPECT_EQ(jar.cookies().back().name, "c59");

    for (int host = 0; host < 70; ++host)
        for (int i = 0; i < 50; ++i)
            jar.Store("k" + std::to_string(i) + "=v; path=/",
                      "h" + std::to_string(host) + ".example", "/", kNow);
    EXPECT_EQ(jar.size(), CookieJar::kMaxCookies);
    EXPECT_EQ(jar.HeaderFor("deals.example", "/"), "") << "the oldest domain's cookies went first";
    EXPECT_EQ(jar.cookies().back().domain, "h69.example");
    jar.RemoveExpired(kNow);
    jar.Store("fresh=1; path=/", "new.example", "/", kNow);
    EXPECT_EQ(jar.size(), CookieJar::kMaxCookies);
    EXPECT_EQ(jar.HeaderFor("new.example", "/"), "fresh=1");
}

TEST(CookieJarExpiry, MaxAgeCountsFromArrival) {
    CookieJar jar;
    jar.Store("sid=abc; path=/; max-age=60", "deals.example", "/", kNow);
    jar.RemoveExpired(kNow + seconds(59));
    EXPECT_EQ(jar.HeaderFor("deals.example", "/"), "sid=abc");
    jar.RemoveExpired(kNow + seconds(60));
    EXPECT_EQ(jar.HeaderFor("deals.example", "/"), "");
}

TEST(CookieJarExpiry, ExpiredCookieDeletesTheStoredOne) {
    CookieJar jar;
    jar.Store("sid=abc; path=/", "deals.example", "/", kNow);
    jar.Store("sid=gone; path=/; max-age=-1", "deals.example", "/", kNow);
    jar.RemoveExpired(kNow);
    EXPECT_TRUE(jar.cookies().empty());
}

TEST(CookieJarExpiry, HugeLifetimesDoNotOverflow) {
    CookieJar jar;
    jar.Store("a=1; path=/; max-age=999999999999999999999", "deals.example", "/", kNow);
    jar.Store("b=2; path=/; expires=Fri, 31 Dec 9999 23:59:59 GMT", "deals.example", "/", kNow);
    jar.Store("c=3; path=/; expires=Mon, 01 Jan 1601 00:00:00 GMT", "deals.example", "/", kNow);
    jar.RemoveExpired(kNow + seconds(86400LL * 365 * 100));
    EXPECT_EQ(jar.HeaderFor("deals.example", "/"), "a=1; b=2");
}

TEST(CookieDate, ReadsTheCommonForms) {
    const TimePoint expected =
        std::chrono::system_clock::from_time_t(784111777);  // 06 Nov 1994 08:49:37
    const char* same[] = {
        "Sun, 06 Nov 1994 08:49:37 GMT",
        "Sunday, 06-Nov-94 08:49:37 GMT",
        "Sun Nov  6 08:49:37 1994",
        "sun, 6 nov 1994 08:49:37 gmt",
    };
    for (const char* text : same) {
        auto when = ReadCookieDate(text);
        ASSERT_TRUE(when.has_value()) << text;
        EXPECT_TRUE(*when == expected) << text;
    }
    const char* unreadable[] = {"",
                                "tomorrow",
                                "Sun, 06 Nov 1994",
                                "Sun, 32 Nov 1994 08:49:37 GMT",
                                "Sun, 06 Foo 1994 08:49:37 GMT",
                                "Sun, 06 Nov 1994 25:00:00 GMT"};
    for (const char* text : unreadable)
        EXPECT_FALSE(ReadCookieDate(text).has_value()) << text;
}

TEST(FolderPath, UpToTheLastSlashOfThePath) {
    struct {
        const char* target;
        const char* folder;
    } cases[] = {
        {"/", "/"},
        {"/a.php", "/"},
        {"/software/zor2_items.php", "/software/"},
        {"/software/", "/software/"},
        {"/software/zor2_item.php?num_iid=1/2", "/software/"},
        {"/a/b/c", "/a/b/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FolderPathOf(c.target), c.folder) << c.target;
}

}  // namespace
