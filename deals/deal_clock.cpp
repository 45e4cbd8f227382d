#include "deals/deal_clock.h"

#include <cmath>
#include <limits>

namespace {

constexpr long double kMillisecondsPerDay = 86400000.0L;

// The product rounded to double, then truncated toward zero. A span no date-time can produce
// (infinite, NaN, beyond 64 bits) saturates instead of being undefined.
int64_t TruncatedCount(double span, double perDay) {
    const double product = span * perDay;
    if (std::isnan(product))
        return 0;
    if (product >= 9223372036854775807.0)
        return std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(product);
}

}  // namespace

DateTime AddMilliseconds(DateTime t, int64_t n) {
    // long double carries a 64-bit mantissa on x86-64: the day count times 86 400 000 keeps
    // every millisecond, and the result is rounded to double only once.
    const long double ms = static_cast<long double>(t) * kMillisecondsPerDay;
    return static_cast<double>((ms + static_cast<long double>(n)) / kMillisecondsPerDay);
}

Countdown ComputeCountdown(DateTime stopTime, DateTime curTime) {
    const double span = curTime >= stopTime ? curTime - stopTime : stopTime - curTime;
    // Each count comes from the span on its own, so the fields can disagree by a hair: a span
    // just short of an hour reads 0 h 59 min 59.9 s.
    const int64_t hours = TruncatedCount(span, 24.0);
    const int64_t minutes = TruncatedCount(span, 1440.0);
    const int64_t seconds = TruncatedCount(span, 86400.0);
    const int64_t milliseconds = TruncatedCount(span, 86400000.0);
    Countdown countdown;
    countdown.Hours = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(hours)));
    countdown.Minutes = static_cast<int32_t>(minutes % 60);
    countdown.Seconds = static_cast<int32_t>(seconds % 60);
    countdown.Tenths = static_cast<int32_t>(milliseconds % 1000 / 100);
    return countdown;
}
