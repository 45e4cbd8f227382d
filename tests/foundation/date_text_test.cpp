#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "regional_fixtures.h"
#include "services/date_text.h"
#include "services/date_time.h"
#include "services/errors.h"

namespace {

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

}  // namespace
