#pragma once
// The user's regional settings as one value: the decimal and thousands separators, the date
// order and separators and the AM/PM words. Nothing here depends on the process's C locale: the
// settings are read once from the user's POSIX locale (LC_NUMERIC, LC_TIME) into a value, and
// every conversion (number_text.h, date_text.h) takes that value.

#include <string>
#include <string_view>

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
