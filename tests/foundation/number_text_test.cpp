#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "regional_fixtures.h"
#include "services/errors.h"
#include "services/number_text.h"

namespace {

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
        {"x39", &kChina, std::nullopt},
        {"X10", &kChina, std::nullopt},
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
        {"x39", std::nullopt},
        {"X39", std::nullopt},
        {"x10", std::nullopt},
        {"-x10", std::nullopt},
        {"0x39", 57},
        {"-0x10", -16},
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

}  // namespace
