#include "services/date_time.h"

#include <chrono>

#include <time.h>

#include <cmath>

#include "services/errors.h"

namespace {

constexpr long long kMillisecondsPerDay = 86400000;

// Days from 1 January 1970 of a proleptic Gregorian date (H. Hinnant's civil-day algorithm).
constexpr long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<long long>(yoe) + era * 400 + (month <= 2));
}

constexpr long long kEpochFromUnix = DaysFromCivil(1899, 12, 30);

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// 0001-01-01 and 9999-12-31 23:59:59.999, the range every value is kept in.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958465.99999999;

}  // namespace

DateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                        int millisecond) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || millisecond < 0 || millisecond > 999)
        throw ConvertError("Invalid argument to date encode");
    const long long days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) -
        kEpochFromUnix;
    const long long ms = hour * 3600000LL + minute * 60000LL + second * 1000LL + millisecond;
    return static_cast<double>(static_cast<long double>(days) +
                               static_cast<long double>(ms) / kMillisecondsPerDay);
}

DateTimeParts DecodeDateTime(DateTime value) {
    if (!(value >= kMinDateTime))
        value = kMinDateTime;  // NaN lands here too
    if (value > kMaxDateTime)
        value = kMaxDateTime;
    // Rounded to the nearest millisecond, so a value written from parts decodes to those parts.
    long long total = std::llround(static_cast<long double>(value) * kMillisecondsPerDay);
    long long days = total / kMillisecondsPerDay;
    long long ms = total % kMillisecondsPerDay;
    if (ms < 0) {
        ms += kMillisecondsPerDay;
        --days;
    }
    DateTimeParts parts{};
    CivilFromDays(days + kEpochFromUnix, parts.year, parts.month, parts.day);
    if (parts.year > 9999) {  // the top of the range rounded up into year 10000
        parts = DateTimeParts{9999, 12, 31, 23, 59, 59, 999};
        return parts;
    }
    parts.hour = static_cast<int>(ms / 3600000);
    parts.minute = static_cast<int>(ms / 60000 % 60);
    parts.second = static_cast<int>(ms / 1000 % 60);
    parts.millisecond = static_cast<int>(ms % 1000);
    return parts;
}

DateTime CurrentLocalDateTime() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    const long long unixMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count();
    const time_t seconds = static_cast<time_t>(unixMs / 1000);
    tm local{};
    ::localtime_r(&seconds, &local);
    const long long days =
        DaysFromCivil(local.tm_year + 1900LL, static_cast<unsigned>(local.tm_mon + 1),
                      static_cast<unsigned>(local.tm_mday)) -
        kEpochFromUnix;
    // A leap second (tm_sec 60) is held at the end of its minute.
    const int second = local.tm_sec > 59 ? 59 : local.tm_sec;
    const long long ms =
        local.tm_hour * 3600000LL + local.tm_min * 60000LL + second * 1000LL + unixMs % 1000;
    return static_cast<double>(static_cast<long double>(days) +
                               static_cast<long double>(ms) / kMillisecondsPerDay);
}
