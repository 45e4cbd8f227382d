#pragma once
// Date-time values: local time as a day count since 30 December 1899 00:00, the fraction being
// the time of day. No time zone is involved anywhere.

#include <cstdint>

using DateTime = double;

// The day count of a calendar date and time; throws ConvertError for an impossible date.
DateTime EncodeDateTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                        int millisecond = 0);

struct DateTimeParts {
    int year, month, day, hour, minute, second, millisecond;
};
DateTimeParts DecodeDateTime(DateTime value);

// The current local date and time, milliseconds included.
DateTime CurrentLocalDateTime();
