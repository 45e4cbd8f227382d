#pragma once
// Regional settings of the kinds the program meets, shared by the number, date and settings
// tests.

#include "services/regional_settings.h"

inline RegionalSettings Settings(const char* decimal, const char* thousand, DateOrder order,
                                 const char* dateSeparator, const char* timeSeparator = ":",
                                 const char* am = "AM", const char* pm = "PM") {
    RegionalSettings s;
    s.decimalSeparator = decimal;
    s.thousandSeparator = thousand;
    s.dateOrder = order;
    s.dateSeparator = dateSeparator;
    s.timeSeparator = timeSeparator;
    s.amWord = am;
    s.pmWord = pm;
    return s;
}

// The kinds of regional settings the program meets: Chinese (year first, the Windows-like
// layout), German (comma radix, dot grouping, day first), US (month first, 12-hour words),
// French (comma radix, narrow no-break space grouping), and a C locale without grouping.
inline const RegionalSettings kChina =
    Settings(".", ",", DateOrder::YearMonthDay, "-", ":", "\xe4\xb8\x8a\xe5\x8d\x88",
             "\xe4\xb8\x8b\xe5\x8d\x88");
inline const RegionalSettings kGermany = Settings(",", ".", DateOrder::DayMonthYear, ".");
inline const RegionalSettings kUnitedStates = Settings(".", ",", DateOrder::MonthDayYear, "/");
inline const RegionalSettings kFrance = Settings(",", "\xe2\x80\xaf", DateOrder::DayMonthYear, "/");
inline const RegionalSettings kPlainC = Settings(".", "", DateOrder::MonthDayYear, "/");
