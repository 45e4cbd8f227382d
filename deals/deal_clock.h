#pragma once
// Millisecond arithmetic on date-time values and the countdown of a deal.

#include <cstdint>

#include "services/date_time.h"

// t moved by n milliseconds, computed in extended precision and rounded to double once.
DateTime AddMilliseconds(DateTime t, int64_t n);

struct Countdown {
    int32_t Hours;    // whole hours, not reduced to days
    int32_t Minutes;  // 0..59
    int32_t Seconds;  // 0..59
    int32_t Tenths;   // 0..9
};

// The absolute distance between the two times, each field truncated on its own.
Countdown ComputeCountdown(DateTime stopTime, DateTime curTime);
