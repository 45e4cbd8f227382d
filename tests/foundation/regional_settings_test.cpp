#include <gtest/gtest.h>
#include <locale.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "regional_fixtures.h"
#include "services/date_text.h"
#include "services/date_time.h"
#include "services/errors.h"
#include "services/number_text.h"
#include "services/regional_settings.h"

namespace {

TEST(RegionalSettings, FromLocaleInfo) {
    struct Case {
        const char* name;
        const char *radix, *thousands, *dateFormat, *timeFormat, *am, *pm;
        RegionalSettings expected;
    };
    const Case cases[] = {
        {"C", ".", "", "%m/%d/%y", "%H:%M:%S", "AM", "PM",
         Settings(".", "", DateOrder::MonthDayYear, "/")},
        {"de_DE", ",", ".", "%d.%m.%Y", "%T", "", "",
         Settings(",", ".", DateOrder::DayMonthYear, ".")},
        {"en_US", ".", ",", "%m/%d/%Y", "%r", "AM", "PM",
         Settings(".", ",", DateOrder::MonthDayYear, "/")},
        {"zh_CN", ".", ",", "%Y\xe5\xb9\xb4%m\xe6\x9c\x88%d\xe6\x97\xa5",
         "%H\xe6\x97\xb6%M\xe5\x88\x86%S\xe7\xa7\x92", "\xe4\xb8\x8a\xe5\x8d\x88",
         "\xe4\xb8\x8b\xe5\x8d\x88", kChina},
        {"hu_HU", ",", " ", "%Y. %m. %d.", "%H:%M:%S", "de.", "du.",
         Settings(",", " ", DateOrder::YearMonthDay, ".", ":", "de.", "du.")},
        {"fr_FR", ",", "\xe2\x80\xaf", "%d/%m/%Y", "%H:%M:%S", "", "", kFrance},
        {"iso", ".", "", "%F", "%R", "AM", "PM", Settings(".", "", DateOrder::YearMonthDay, "-")},
        {"fi_FI", ",", "\xc2\xa0", "%-d.%-m.%Y", "%H.%M.%S", "", "",
         Settings(",", "\xc2\xa0", DateOrder::DayMonthYear, ".", ".")},
        {"spaceSeparated", ".", ",", "%d %m %Y", "%H %M", "AM", "PM",
         Settings(".", ",", DateOrder::DayMonthYear, "-")},
        {"emptyRadix", "", "", "", "", "", "", Settings(".", "", DateOrder::YearMonthDay, "-")},
        {"groupingLikeRadix", ",", ",", "%d.%m.%Y", "%H:%M", "", "",
         Settings(",", "", DateOrder::DayMonthYear, ".")},
    };
    for (const Case& c : cases) {
        const RegionalSettings s = RegionalSettings::FromLocaleInfo(
            c.radix, c.thousands, c.dateFormat, c.timeFormat, c.am, c.pm);
        const RegionalSettings& e = c.expected;
        EXPECT_EQ(s.decimalSeparator, e.decimalSeparator) << c.name;
        EXPECT_EQ(s.thousandSeparator, e.thousandSeparator) << c.name;
        EXPECT_EQ(s.dateOrder, e.dateOrder) << c.name;
        EXPECT_EQ(s.dateSeparator, e.dateSeparator) << c.name;
        EXPECT_EQ(s.timeSeparator, e.timeSeparator) << c.name;
        EXPECT_EQ(s.amWord, e.amWord) << c.name;
        EXPECT_EQ(s.pmWord, e.pmWord) << c.name;
    }
}

// The environment's locale is restored whatever happens in between.
class LocaleEnvironment : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"LC_ALL", "LC_NUMERIC", "LC_TIME", "LANG"}) {
            const char* value = std::getenv(name);
            m_saved.push_back({name, value ? std::optional<std::string>(value) : std::nullopt});
        }
    }
    void TearDown() override {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(LocaleEnvironment, FromUserLocaleReadsTheEnvironment) {
    unsetenv("LC_NUMERIC");
    unsetenv("LC_TIME");
    unsetenv("LANG");
    // The C locale, and a locale that is not installed, which falls back to it.
    for (const char* name : {"C", "POSIX", "xx_NOWHERE.UTF-8"}) {
        setenv("LC_ALL", name, 1);
        const RegionalSettings s = RegionalSettings::FromUserLocale();
        EXPECT_EQ(s.decimalSeparator, ".") << name;
        EXPECT_EQ(s.thousandSeparator, "") << name;
        EXPECT_EQ(s.dateOrder, DateOrder::MonthDayYear) << name;
        EXPECT_EQ(s.dateSeparator, "/") << name;
        EXPECT_EQ(s.timeSeparator, ":") << name;
        EXPECT_EQ(s.amWord, "AM") << name;
        EXPECT_EQ(s.pmWord, "PM") << name;
    }
}

// Qt sets the process locale from the environment at start; with a comma radix in LC_NUMERIC
// every conversion must still give what it gives under "C".
std::vector<std::string> Conversions() {
    std::vector<std::string> out;
    for (const RegionalSettings* s : {&kChina, &kGermany}) {
        out.push_back(FormatFixed(2.25, 1, *s));
        out.push_back(FormatFixed(29.9, 2, *s));
        out.push_back(FormatFixed(1e20, 2, *s));
        out.push_back(FormatDateTime(EncodeDateTime(2026, 12, 10, 14, 30, 15, 250), *s));
        try {
            out.push_back(std::to_string(ReadMoney(s == &kChina ? "1,234.5" : "1.234,5", *s)));
            out.push_back(std::to_string(ReadCount("1,234", kChina)));
            out.push_back(std::to_string(ReadDateTime(
                s == &kChina ? "2026-12-10 14:30:15.5" : "10.12.2026 14:30:15,5", *s, 2026)));
        } catch (const ConvertError& e) {
            out.push_back(e.what());
        }
    }
    return out;
}

TEST(RegionalConversions, DoNotDependOnTheProcessLocale) {
    const std::string saved = setlocale(LC_ALL, nullptr);
    setlocale(LC_ALL, "C");
    const std::vector<std::string> underC = Conversions();
    const char* found = nullptr;
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "ru_RU.UTF-8",
                             "nl_NL.UTF-8", "it_IT.UTF-8", "es_ES.UTF-8", "pt_BR.UTF-8"}) {
        if (setlocale(LC_NUMERIC, name) != nullptr) {
            found = name;
            break;
        }
    }
    std::vector<std::string> underComma;
    if (found)
        underComma = Conversions();
    setlocale(LC_ALL, saved.c_str());
    if (!found)
        GTEST_SKIP() << "no comma-radix locale is installed";
    EXPECT_EQ(underComma, underC) << "under " << found;
}

}  // namespace
