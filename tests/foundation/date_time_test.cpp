#include <gtest/gtest.h>
#include <time.h>

#include <cmath>

#include "services/date_time.h"
#include "services/errors.h"

namespace {

struct KnownDay {
    int year, month, day, hour, minute;
    double value;
};

TEST(EncodeDateTime, DayCountsFromThe1899Epoch) {
    const KnownDay cases[] = {
        {1899, 12, 30, 0, 0, 0.0},       {1899, 12, 31, 0, 0, 1.0},
        {1900, 1, 1, 0, 0, 2.0},         {1900, 3, 1, 0, 0, 61.0},  // 1900 had no 29 February
        {2000, 1, 1, 0, 0, 36526.0},     {2026, 12, 10, 12, 0, 46366.5},
        {2026, 12, 10, 18, 0, 46366.75}, {1899, 12, 29, 18, 0, -0.25},
        {1, 1, 1, 0, 0, -693593.0},      {9999, 12, 31, 0, 0, 2958465.0},
    };
    for (const KnownDay& c : cases) {
        EXPECT_EQ(EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute), c.value)
            << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(EncodeDateTime, ImpossibleDatesAndTimesThrow) {
    struct Case {
        int year, month, day, hour, minute, second, ms;
    };
    const Case cases[] = {
        {2026, 2, 29, 0, 0, 0, 0}, {1900, 2, 29, 0, 0, 0, 0}, {2026, 4, 31, 0, 0, 0, 0},
        {2026, 13, 1, 0, 0, 0, 0}, {2026, 0, 1, 0, 0, 0, 0},  {2026, 1, 0, 0, 0, 0, 0},
        {0, 1, 1, 0, 0, 0, 0},     {10000, 1, 1, 0, 0, 0, 0}, {2026, 1, 1, 24, 0, 0, 0},
        {2026, 1, 1, 0, 60, 0, 0}, {2026, 1, 1, 0, 0, 60, 0}, {2026, 1, 1, 0, 0, 0, 1000},
        {2026, 1, 1, -1, 0, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_THROW(EncodeDateTime(c.year, c.month, c.day, c.hour, c.minute, c.second, c.ms),
                     ConvertError)
            << c.year << "-" << c.month << "-" << c.day << " " << c.hour << ":" << c.minute << ":"
            << c.second << "." << c.ms;
    }
    EXPECT_NO_THROW(EncodeDateTime(2024, 2, 29));
    EXPECT_NO_THROW(EncodeDateTime(2000, 2, 29, 23, 59, 59, 999));
}

TEST(DecodeDateTime, GivesBackTheEncodedParts) {
    const DateTimeParts cases[] = {
        {2026, 12, 10, 14, 30, 15, 250}, {2026, 12, 31, 23, 59, 59, 999}, {2024, 2, 29, 0, 0, 0, 1},
        {1899, 12, 30, 0, 0, 0, 0},      {1899, 12, 29, 6, 0, 0, 0},      {1, 1, 1, 0, 0, 0, 0},
        {9999, 12, 31, 23, 59, 59, 999}, {1976, 7, 4, 12, 0, 0, 500},
    };
    for (const DateTimeParts& p : cases) {
        const DateTimeParts d = DecodeDateTime(
            EncodeDateTime(p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond));
        EXPECT_EQ(std::tie(d.year, d.month, d.day, d.hour, d.minute, d.second, d.millisecond),
                  std::tie(p.year, p.month, p.day, p.hour, p.minute, p.second, p.millisecond))
            << p.year << "-" << p.month << "-" << p.day;
    }
}

TEST(DecodeDateTime, RoundsToTheNearestMillisecondAcrossMidnight) {
    const double lastMs = EncodeDateTime(2026, 12, 31, 23, 59, 59, 999);
    const DateTimeParts up = DecodeDateTime(lastMs + 0.7 / 86400000.0);
    EXPECT_EQ(std::tie(up.year, up.month, up.day, up.hour, up.minute, up.second, up.millisecond),
              std::make_tuple(2027, 1, 1, 0, 0, 0, 0));
    const DateTimeParts down = DecodeDateTime(lastMs + 0.3 / 86400000.0);
    EXPECT_EQ(down.millisecond, 999);
    EXPECT_EQ(down.year, 2026);
}

TEST(DecodeDateTime, OutOfRangeValuesAreClamped) {
    EXPECT_EQ(DecodeDateTime(NAN).year, 1);
    EXPECT_EQ(DecodeDateTime(-1e300).year, 1);
    EXPECT_EQ(DecodeDateTime(1e300).year, 9999);
    EXPECT_EQ(DecodeDateTime(INFINITY).year, 9999);
}

double LocalAt(time_t seconds) {
    tm local{};
    localtime_r(&seconds, &local);
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec);
}

TEST(CurrentLocalDateTime, IsTheLocalWallClockWithMilliseconds) {
    const time_t before = time(nullptr);
    const double now = CurrentLocalDateTime();
    const time_t after = time(nullptr);
    EXPECT_GE(now, LocalAt(before));
    EXPECT_LT(now, LocalAt(after) + 1.0 / 86400.0);
}

}  // namespace
