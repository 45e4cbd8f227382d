#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "services/date_time.h"
#include "services/errors.h"
#include "services/regional.h"

namespace {

RegionalSettings Settings(const char* decimal, const char* thousand, DateOrder order,
                          const char* dateSeparator, const char* timeSeparator = ":",
                          const char* am = "AM", const char* pm = "PM") {
    RegionalSettings s;
    s.decimalSeparator = decimal;
    s.thousandSeparator = thousand;
    s.dateOrder = order;
    s.dateSeparator = dateSeparator;
    s.timeSeparator = timeSeparator;
    s.amWord = am;
    s.pmWord = pm;
    return s;
}

// The kinds of regional settings the program meets: Chinese (year first, the Windows-like
// layout), German (comma radix, dot grouping, day first), US (month first, 12-hour words),
// French (comma radix, narrow no-break space grouping), and a C locale without grouping.
const RegionalSettings kChina = Settings(".", ",", DateOrder::YearMonthDay, "-", ":",
                                         "\xe4\xb8\x8a\xe5\x8d\x88", "\xe4\xb8\x8b\xe5\x8d\x88");
const RegionalSettings kGermany = Settings(",", ".", DateOrder::DayMonthYear, ".");
const RegionalSettings kUnitedStates = Settings(".", ",", DateOrder::MonthDayYear, "/");
const RegionalSettings kFrance = Settings(",", "\xe2\x80\xaf", DateOrder::DayMonthYear, "/");
const RegionalSettings kPlainC = Settings(".", "", DateOrder::MonthDayYear, "/");

// ---------------------------------------------------------------------------------------------

struct FixedCase {
    double value;
    int decimals;
    const RegionalSettings* settings;
    const char* shown;
};

TEST(FormatFixed, EighteenDigitsThenHalfAwayFromZero) {
    const FixedCase cases[] = {
        {29.9, 2, &kChina, "29.90"},
        {2.25, 1, &kChina, "2.3"},  // printf's "%.1f" gives 2.2
        {-2.25, 1, &kChina, "-2.3"},
        {0.285, 2, &kChina, "0.28"},  // 0.284999999999999998 at 18 digits
        {0.125, 2, &kChina, "0.13"},  // an exact binary tie
        {2.5, 0, &kChina, "3"},
        {0.5, 0, &kChina, "1"},
        {0.15, 1, &kChina, "0.1"},  // 0.149999999999999994
        {1.005, 2, &kChina, "1.00"},
        {9.995, 2, &kChina, "9.99"},
        {9.9951, 2, &kChina, "10.00"},
        {99.95, 1, &kChina, "100.0"},  // 99.9500000000000028
        {999.95, 1, &kChina, "1000.0"},
        {0.05, 1, &kChina, "0.1"},
        {0.04, 1, &kChina, "0.0"},
        {0.0049, 2, &kChina, "0.00"},
        {1e-20, 2, &kChina, "0.00"},
        {0.0, 2, &kChina, "0.00"},
        {-0.0, 1, &kChina, "0.0"},
        {-0.04, 1, &kChina, "0.0"},  // no "-0.0"
        {-0.05, 1, &kChina, "-0.1"},
        {39.0, 2, &kChina, "39.00"},
        {1234567.891, 2, &kChina, "1234567.89"},  // never grouped
        {123.456, 1, &kChina, "123.5"},
        {1e20, 2, &kChina, "100000000000000000000.00"},
        {29.9, 2, &kGermany, "29,90"},
        {2.25, 1, &kGermany, "2,3"},
        {-1234.5, 1, &kFrance, "-1234,5"},
        {7.0, 0, &kGermany, "7"},
        {NAN, 2, &kChina, "NAN"},
        {INFINITY, 2, &kChina, "INF"},
        {-INFINITY, 1, &kChina, "-INF"},
    };
    for (const FixedCase& c : cases) {
        EXPECT_EQ(FormatFixed(c.value, c.decimals, *c.settings), c.shown)
            << c.value << " at " << c.decimals;
    }
}

// ---------------------------------------------------------------------------------------------

struct MoneyCase {
    const char* text;
    const RegionalSettings* settings;
    std::optional<double> value;  // nullopt: unreadable
};

TEST(ReadMoney, LocaleFormAndPlainSyntax) {
    const MoneyCase cases[] = {
        {"39.90", &kChina, 39.9},
        {"39", &kChina, 39.0},
        {" 39.9\r\n", &kChina, 39.9},
        {"-1.5", &kChina, -1.5},
        {"+2", &kChina, 2.0},
        {".5", &kChina, 0.5},
        {"5.", &kChina, 5.0},
        {"1e3", &kChina, 1000.0},
        {"1.5E-2", &kChina, 0.015},
        {"1,234.5", &kChina, 1234.5},
        {"1,234,567", &kChina, 1234567.0},
        {"123456789.123456789", &kChina, 123456789.123456789},
        {"0.1", &kChina, 0.1},
        {"39,90", &kGermany, 39.9},
        {"1.234,5", &kGermany, 1234.5},
        {"1.234.567,25", &kGermany, 1234567.25},
        {"1\xe2\x80\xaf"
         "234,5",
         &kFrance, 1234.5},
        {"1234,5", &kFrance, 1234.5},
        // groups of anything but three digits are not grouping
        {"1,23", &kChina, std::nullopt},
        {"12,3456", &kChina, std::nullopt},
        {"1234,567", &kChina, std::nullopt},
        {"39,90", &kChina, std::nullopt},
        {"1,", &kChina, std::nullopt},
        {",123", &kChina, std::nullopt},
        {"39.90", &kGermany, std::nullopt},  // the dot is the German grouping
        {"1.5", &kGermany, std::nullopt},
        {"1,234", &kPlainC, std::nullopt},  // no grouping in the C locale
        {"", &kChina, std::nullopt},
        {"  ", &kChina, std::nullopt},
        {"-", &kChina, std::nullopt},
        {".", &kChina, std::nullopt},
        {"abc", &kChina, std::nullopt},
        {"39.9x", &kChina, std::nullopt},
        {"3 9", &kChina, std::nullopt},
        {"\xc2\xa5"
         "39",
         &kChina, std::nullopt},
        {"1e", &kChina, std::nullopt},
        {"1e999", &kChina, std::nullopt},  // out of range
        {"-1e999", &kChina, std::nullopt},
        {"nan", &kChina, std::nullopt},
        {"inf", &kChina, std::nullopt},
        {"0x10", &kChina, std::nullopt},
    };
    for (const MoneyCase& c : cases) {
        if (c.value) {
            EXPECT_EQ(ReadMoney(c.text, *c.settings), *c.value) << "'" << c.text << "'";
        } else {
            EXPECT_THROW(ReadMoney(c.text, *c.settings), ConvertError) << "'" << c.text << "'";
        }
    }
}

// ---------------------------------------------------------------------------------------------

struct CountCase {
    const char* text;
    const RegionalSettings* settings;
    std::optional<int32_t> value;
};

TEST(ReadCount, LocaleFormThenPlainSyntaxThenTruthWords) {
    const CountCase cases[] = {
        {"57", &kChina, 57},
        {" 57 ", &kChina, 57},
        {"+57", &kChina, 57},
        {"-57", &kChina, -57},
        {"0", &kChina, 0},
        {"1,234", &kChina, 1234},
        {"1.234", &kGermany, 1234},
        {"1\xe2\x80\xaf"
         "234",
         &kFrance, 1234},
        {"$39", &kChina, 57},
        {"0x39", &kChina, 57},
        {"0X39", &kChina, 57},
        {" $39", &kChina, 57},
        {"-$39", &kChina, -57},
        {"$7FFFFFFF", &kChina, 2147483647},
        {"2147483647", &kChina, 2147483647},
        {"-2147483648", &kChina, -2147483647 - 1},
        {"True", &kChina, 1},
        {"TRUE", &kChina, 1},
        {"false", &kChina, 0},
        {"2147483648", &kChina, std::nullopt},
        {"-2147483649", &kChina, std::nullopt},
        {"2,147,483,648", &kChina, std::nullopt},
        {"$80000000", &kChina, std::nullopt},
        {"99999999999999999999", &kChina, std::nullopt},
        {"57.0", &kChina, std::nullopt},
        {"57,5", &kGermany, std::nullopt},
        {"5 7", &kChina, std::nullopt},
        {"1,23", &kChina, std::nullopt},
        {"$39 ", &kChina, std::nullopt},
        {"0x", &kChina, std::nullopt},
        {"yes", &kChina, std::nullopt},
        {"", &kChina, std::nullopt},
    };
    for (const CountCase& c : cases) {
        if (c.value) {
            EXPECT_EQ(ReadCount(c.text, *c.settings), *c.value) << "'" << c.text << "'";
        } else {
            EXPECT_THROW(ReadCount(c.text, *c.settings), ConvertError) << "'" << c.text << "'";
        }
    }
}

// ---------------------------------------------------------------------------------------------

TEST(ReadSalesCount, StrictPlainInteger) {
    struct Case {
        const char* text;
        std::optional<int32_t> value;
    };
    const Case cases[] = {
        {"57", 57},
        {" 57", 57},
        {"   57", 57},
        {"+57", 57},
        {"-57", -57},
        {"$39", 57},
        {"x39", 57},
        {"X39", 57},
        {"0x39", 57},
        {"0X39", 57},
        {"$ff", 255},
        {"00057", 57},
        {"0", 0},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-$80000000", -2147483647 - 1},
        {"57\r\n", std::nullopt},
        {"57\n", std::nullopt},
        {"57 ", std::nullopt},
        {"5 7", std::nullopt},
        {"", std::nullopt},
        {" ", std::nullopt},
        {"57.0", std::nullopt},
        {"\t57", std::nullopt},
        {"+ 57", std::nullopt},
        {"+-5", std::nullopt},
        {"$", std::nullopt},
        {"0x", std::nullopt},
        {"$g", std::nullopt},
        {"2147483648", std::nullopt},
        {"$FFFFFFFF", std::nullopt},
        {"99999999999999999999", std::nullopt},
        {"1,234", std::nullopt},
        {"True", std::nullopt},
        {"57abc", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadSalesCount(c.text), c.value) << "'" << c.text << "'";
}

// ---------------------------------------------------------------------------------------------

struct DateCase {
    const char* text;
    const RegionalSettings* settings;
    std::optional<DateTimeParts> parts;
};

DateTimeParts P(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
    return DateTimeParts{y, mo, d, h, mi, s, ms};
}

TEST(ReadDateTime, RegionalOrderAndTimeForms) {
    const DateCase cases[] = {
        // year-month-day
        {"2026-12-10 14:30:00", &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10 14:30", &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10", &kChina, P(2026, 12, 10)},
        {"2026-1-2 3:04:05", &kChina, P(2026, 1, 2, 3, 4, 5)},
        {"2026-12-10 14:30:15.250", &kChina, P(2026, 12, 10, 14, 30, 15, 250)},
        {"2026-12-10 14:30:15.5", &kChina, P(2026, 12, 10, 14, 30, 15, 500)},
        {"  2026-12-10  14:30:00 \r\n", &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10 2:30 PM", &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10 2:30pm", &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10 12:05 AM", &kChina, P(2026, 12, 10, 0, 5)},
        {"2026-12-10 12:05 PM", &kChina, P(2026, 12, 10, 12, 5)},
        {"2026-12-10 \xe4\xb8\x8b\xe5\x8d\x88"
         "2:30",
         &kChina, P(2026, 12, 10, 14, 30)},
        {"2026-12-10 2:30:00 \xe4\xb8\x8a\xe5\x8d\x88", &kChina, P(2026, 12, 10, 2, 30)},
        {"26-12-10 14:30", &kChina, P(2026, 12, 10, 14, 30)},  // 2-digit years: 1976..2075
        {"76-1-2", &kChina, P(1976, 1, 2)},
        {"75-1-2", &kChina, P(2075, 1, 2)},
        {"0-1-2", &kChina, P(2000, 1, 2)},
        {"0026-1-2", &kChina, P(26, 1, 2)},                 // four digits stand as written
        {"12-10 14:30", &kChina, P(2026, 12, 10, 14, 30)},  // two numbers: month, day
        {"2024-02-29 08:00", &kChina, P(2024, 2, 29, 8)},
        // day-month-year
        {"10.12.2026 14:30:00", &kGermany, P(2026, 12, 10, 14, 30)},
        {"10.12.26", &kGermany, P(2026, 12, 10)},
        {"10.12 14:30", &kGermany, P(2026, 12, 10, 14, 30)},  // two numbers: day, month
        {"10.12.2026 14:30:15,5", &kGermany, P(2026, 12, 10, 14, 30, 15, 500)},
        {"1/2/2026 10:00", &kFrance, P(2026, 2, 1, 10)},
        // month-day-year
        {"12/10/2026 2:30:05 PM", &kUnitedStates, P(2026, 12, 10, 14, 30, 5)},
        {"12/10/2026 14:30", &kUnitedStates, P(2026, 12, 10, 14, 30)},
        {"1/2/2026 10:00", &kUnitedStates, P(2026, 1, 2, 10)},
        {"2/29/2024", &kUnitedStates, P(2024, 2, 29)},
        // unreadable
        {"2026-02-30 10:00", &kChina, std::nullopt},  // impossible date
        {"2026-02-29", &kChina, std::nullopt},
        {"2026-13-01", &kChina, std::nullopt},
        {"31.04.2026", &kGermany, std::nullopt},
        {"13/10/2026", &kUnitedStates, std::nullopt},
        {"2/29/2026", &kUnitedStates, std::nullopt},
        {"2026-12-10 24:00", &kChina, std::nullopt},
        {"2026-12-10 14:60", &kChina, std::nullopt},
        {"2026-12-10 14:30:60", &kChina, std::nullopt},
        {"2026-12-10 13:00 PM", &kChina, std::nullopt},
        {"2026-12-10 14", &kChina, std::nullopt},
        {"2026-12-10 14:30:15.1234", &kChina, std::nullopt},
        {"2026-12-10 14:30:00 junk", &kChina, std::nullopt},
        {"2026/12/10 14:30", &kChina, std::nullopt},  // not the regional separator
        {"10.12.2026 14.30", &kGermany, std::nullopt},
        {"2026", &kChina, std::nullopt},
        {"14:30", &kChina, std::nullopt},
        {"", &kChina, std::nullopt},
        {"-2026-12-10", &kChina, std::nullopt},
    };
    for (const DateCase& c : cases) {
        if (c.parts) {
            const DateTimeParts& p = *c.parts;
            EXPECT_EQ(
                ReadDateTime(c.text, *c.settings, 2026),
                EncodeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond))
                << "'" << c.text << "'";
        } else {
            EXPECT_THROW(ReadDateTime(c.text, *c.settings, 2026), ConvertError)
                << "'" << c.text << "'";
        }
    }
}

TEST(ReadDateTime, ErrorTextQuotesTheInput) {
    try {
        ReadDateTime("2026-02-30 10:00", kChina, 2026);
        FAIL() << "no error";
    } catch (const ConvertError& e) {
        EXPECT_STREQ(e.what(), "'2026-02-30 10:00' is not a valid date and time");
    }
}

TEST(ReadDateTime, TwoDigitYearWindowFollowsTheCurrentYear) {
    EXPECT_EQ(ReadDateTime("1/2/49", kUnitedStates, 2000), EncodeDateTime(2049, 1, 2));
    EXPECT_EQ(ReadDateTime("1/2/50", kUnitedStates, 2000), EncodeDateTime(1950, 1, 2));
    EXPECT_EQ(ReadDateTime("1/2/99", kUnitedStates, 2100), EncodeDateTime(2099, 1, 2));
    EXPECT_EQ(ReadDateTime("1/2/49", kUnitedStates, 2100), EncodeDateTime(2149, 1, 2));
    EXPECT_EQ(ReadDateTime("12-31", kChina, 1999), EncodeDateTime(1999, 12, 31));
    // The current year defaults to the local clock's.
    const int year = DecodeDateTime(CurrentLocalDateTime()).year;
    const DateTimeParts read = DecodeDateTime(ReadDateTime("06-15", kChina));
    EXPECT_TRUE(read.year == year || read.year == year + 1) << read.year;
}

// ---------------------------------------------------------------------------------------------

TEST(FormatDateTime, WritesTheRegionalOrderWith24HourTime) {
    struct Case {
        const RegionalSettings* settings;
        DateTime value;
        const char* text;
    };
    const Case cases[] = {
        {&kChina, EncodeDateTime(2026, 12, 10, 9, 5, 7), "2026-12-10 09:05:07"},
        {&kGermany, EncodeDateTime(2026, 12, 10, 9, 5, 7), "10.12.2026 09:05:07"},
        {&kUnitedStates, EncodeDateTime(2026, 12, 10, 21, 5, 7), "12/10/2026 21:05:07"},
        {&kChina, EncodeDateTime(2026, 12, 10, 9, 5, 7, 45), "2026-12-10 09:05:07.045"},
        {&kGermany, EncodeDateTime(2026, 1, 2, 0, 0, 0, 500), "02.01.2026 00:00:00,500"},
        {&kChina, EncodeDateTime(26, 1, 2), "0026-01-02 00:00:00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.value, *c.settings), c.text);
}

TEST(FormatDateTime, ReadsBackToTheMillisecond) {
    const RegionalSettings* all[] = {&kChina, &kGermany, &kUnitedStates, &kFrance, &kPlainC};
    const DateTime values[] = {EncodeDateTime(2026, 12, 10, 14, 30),
                               EncodeDateTime(2027, 2, 28, 23, 59, 59, 999),
                               EncodeDateTime(1976, 1, 1),
                               EncodeDateTime(26, 6, 15, 12),
                               CurrentLocalDateTime(),
                               46366.123456789};
    for (const RegionalSettings* settings : all) {
        for (const DateTime value : values) {
            const std::string text = FormatDateTime(value, *settings);
            EXPECT_NEAR(ReadDateTime(text, *settings, 2026), value, 0.5 / 86400000.0) << text;
        }
    }
}

// ---------------------------------------------------------------------------------------------

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
