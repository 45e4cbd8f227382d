#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "deals/deal_clock.h"

namespace {

constexpr double kMillisecond = 1.0 / 86400000.0;

std::string Shown(const Countdown& c) {
    return std::to_string(c.Hours) + "h " + std::to_string(c.Minutes) + "m " +
           std::to_string(c.Seconds) + "." + std::to_string(c.Tenths) + "s";
}

struct CountdownCase {
    const char* name;
    int64_t stopAfterCurMs;  // the stop time relative to the current time
    const char* shown;
};

class ComputeCountdownCases : public ::testing::TestWithParam<CountdownCase> {};

// 2026-12-10 12:00, a day count whose fraction is exact in binary.
constexpr double kNoon = 46366.5;

TEST_P(ComputeCountdownCases, Fields) {
    const DateTime cur = kNoon;
    const DateTime stop = AddMilliseconds(cur, GetParam().stopAfterCurMs);
    EXPECT_EQ(Shown(ComputeCountdown(stop, cur)), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Countdown, ComputeCountdownCases,
    ::testing::Values(CountdownCase{"equalTimes", 0, "0h 0m 0.0s"},
                      CountdownCase{"dayHoursMinutesSeconds", 93784560, "26h 3m 4.5s"},
                      CountdownCase{"threeDaysNotReducedToDays", 3 * 86400000LL, "72h 0m 0.0s"},
                      // once the stop time has passed the span grows again
                      CountdownCase{"ninetySecondsPast", -90250, "0h 1m 30.2s"},
                      CountdownCase{"oneSecondLater", -91250, "0h 1m 31.2s"},
                      CountdownCase{"pastByADay", -(86400000LL + 3723450), "25h 2m 3.4s"},
                      CountdownCase{"tenthsRoundDown", 999, "0h 0m 0.9s"},
                      CountdownCase{"justUnderAMinute", 59999, "0h 0m 59.9s"}),
    [](const auto& info) { return std::string(info.param.name); });

// The date-time nearest to a whole millisecond of a day, as the clock and the feed produce them.
DateTime AtMillisecond(long long day, long long msOfDay) {
    return static_cast<double>(static_cast<long double>(day) +
                               static_cast<long double>(msOfDay) / 86400000.0L);
}

// The fields are truncated each on its own: when the two roundings put the stop time a hair
// short of one hour after the current time, every field reads its largest value below one hour
// instead of being rounded up to 1 h 0 m 0.0 s; when they fall the other way it reads 1 h.
TEST(ComputeCountdown, HourAheadTruncatesEachFieldOnItsOwn) {
    bool sawShort = false, sawExact = false;
    for (long long ms = 0; ms < 2000 * 37; ms += 37) {
        const DateTime cur = AtMillisecond(46366, 36000000 + ms);
        const DateTime stop = AtMillisecond(46366, 39600000 + ms);
        const std::string shown = Shown(ComputeCountdown(stop, cur));
        if (stop - cur < 1.0 / 24.0) {
            EXPECT_EQ(shown, "0h 59m 59.9s") << "at " << ms << " ms";
            sawShort = true;
        } else {
            EXPECT_EQ(shown, "1h 0m 0.0s") << "at " << ms << " ms";
            sawExact = true;
        }
    }
    EXPECT_TRUE(sawShort);
    EXPECT_TRUE(sawExact);
}

TEST(ComputeCountdown, HoursKeepOnlyTheLow32Bits) {
    // 178 956 971 days are 4 294 967 304 hours, which is 2^32 + 8.
    EXPECT_EQ(ComputeCountdown(0.0, 178956971.0).Hours, 8);
}

TEST(ComputeCountdown, ValuesNoDateCanHoldStayDefined) {
    for (const double far : {1e300, -1e300, double(INFINITY), double(NAN)}) {
        const Countdown c = ComputeCountdown(far, kNoon);
        EXPECT_GE(c.Minutes, 0);
        EXPECT_LT(c.Minutes, 60);
        EXPECT_GE(c.Seconds, 0);
        EXPECT_LT(c.Seconds, 60);
        EXPECT_GE(c.Tenths, 0);
        EXPECT_LT(c.Tenths, 10);
    }
    EXPECT_EQ(Shown(ComputeCountdown(NAN, kNoon)), "0h 0m 0.0s");
}

// Ten ticks of 100 ms move the clock by one second to within a few microseconds, from any
// present-day starting value, and a tick of 0 ms leaves it alone.
TEST(AddMilliseconds, TenTicksMakeOneSecond) {
    const DateTime starts[] = {46366.5,       46366.123456789, 45000.999999,
                               46366.0 + 0.1, 54789.75,        36526.0 + 1.0 / 3.0};
    for (const DateTime start : starts) {
        DateTime t = start;
        for (int tick = 0; tick < 10; ++tick)
            t = AddMilliseconds(t, 100);
        EXPECT_LT(std::fabs((t - start) * 86400.0 - 1.0), 3e-6) << std::to_string(start);
        EXPECT_EQ(AddMilliseconds(start, 0), start) << std::to_string(start);
    }
}

// The sum is formed in extended precision and rounded once, so each step lands on the double
// nearest to the exact t + n ms; plain double arithmetic would often miss it by a step.
TEST(AddMilliseconds, RoundsOnceToTheNearestDouble) {
#if !defined(__SIZEOF_FLOAT128__)
    GTEST_SKIP() << "no quadruple precision to compare with";
#else
    DateTime t = 46366.0;
    for (int i = 0; i < 5000; ++i) {
        for (const int64_t n : {int64_t{100}, int64_t{300}, int64_t{-100}, int64_t{86399999}}) {
            const __float128 exact =
                static_cast<__float128>(t) + static_cast<__float128>(n) / 86400000;
            ASSERT_EQ(AddMilliseconds(t, n), static_cast<double>(exact))
                << std::to_string(t) << " + " << n << " ms";
        }
        t = AddMilliseconds(t, 100 + i % 7);
    }
#endif
}

TEST(AddMilliseconds, MovesBothWaysByWholeMilliseconds) {
    struct Case {
        int64_t n;
        double days;
    };
    const Case cases[] = {{300, 300 * kMillisecond}, {-300, -300 * kMillisecond},
                          {86400000, 1.0},           {-86400000LL * 365, -365.0},
                          {1, kMillisecond},         {3600000, 1.0 / 24.0}};
    for (const Case& c : cases) {
        const DateTime t = AddMilliseconds(46366.25, c.n);
        EXPECT_NEAR(t, 46366.25 + c.days, 1e-6 * kMillisecond) << c.n;
    }
}

}  // namespace
