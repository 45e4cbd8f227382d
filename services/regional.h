#pragma once
// The user's regional settings and the number and date conversions that depend on them.
// Nothing here depends on the process's C locale: the settings are read once from the user's
// POSIX locale (LC_NUMERIC, LC_TIME) into a value, and every conversion takes that value.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "services/date_time.h"

enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay };

struct RegionalSettings {
    std::string decimalSeparator = ".";
    std::string thousandSeparator = ",";
    DateOrder dateOrder = DateOrder::YearMonthDay;
    std::string dateSeparator = "-";
    std::string timeSeparator = ":";
    std::string amWord = "AM";
    std::string pmWord = "PM";

    // Reads the settings of the user's locale (environment LC_ALL / LC_NUMERIC / LC_TIME / LANG).
    static RegionalSettings FromUserLocale();
    // The settings from the texts a locale reports (radix character, thousands separator,
    // strftime date and time formats, AM and PM words), with the fallbacks for unusable ones:
    // a date separator that is empty or not plain ASCII punctuation becomes "-" (the order stays
    // the one the format names), a time separator likewise ":", empty AM/PM words "AM"/"PM",
    // an empty radix ".", and a thousands separator equal to the radix none.
    static RegionalSettings FromLocaleInfo(std::string_view radix, std::string_view thousands,
                                           std::string_view dateFormat, std::string_view timeFormat,
                                           std::string_view am, std::string_view pm);
    // The process-wide settings, read once from the user's locale on first use.
    static const RegionalSettings& Current();
};

// Fixed notation with `decimals` places: the value taken to 18 significant digits, rounded half
// away from zero at the shown place, regional decimal separator, no grouping.
// FormatFixed(2.25, 1) gives "2.3"; FormatFixed(29.9, 2) gives "29.90".
std::string FormatFixed(double value, int decimals,
                        const RegionalSettings& settings = RegionalSettings::Current());

// A money value of the feed ("price", "sprice"); throws ConvertError when unreadable or empty.
double ReadMoney(std::string_view text,
                 const RegionalSettings& settings = RegionalSettings::Current());

// A 32-bit count of the feed ("sales_num", "stock"): locale form, then plain syntax with "$" /
// "0x" hex, then True/False; throws ConvertError when unreadable, empty or out of range.
int32_t ReadCount(std::string_view text,
                  const RegionalSettings& settings = RegionalSettings::Current());

// A date and time in the regional format ("stop_time"); throws ConvertError with the text
// "'<text>' is not a valid date and time". currentYear places 2-digit years and completes dates
// of two numbers; 0 means the current local year.
DateTime ReadDateTime(std::string_view text,
                      const RegionalSettings& settings = RegionalSettings::Current(),
                      int currentYear = 0);

// Writes a date and time the way ReadDateTime reads it (24-hour, seconds included).
std::string FormatDateTime(DateTime value,
                           const RegionalSettings& settings = RegionalSettings::Current());

// The strict reader of a sales-count reply: optional leading spaces, optional sign, decimal
// digits or hex after "$", "x", "X", "0x", "0X", nothing after; must fit 32 bits.
std::optional<int32_t> ReadSalesCount(std::string_view text);
