#pragma once
// Date text: reading a deal's stop time in the regional date and time format, and writing a
// date and time the same way.

#include <string>
#include <string_view>

#include "services/date_time.h"
#include "services/regional_settings.h"

// A date and time in the regional format ("stop_time"); throws ConvertError with the text
// "'<text>' is not a valid date and time". currentYear places 2-digit years and completes dates
// of two numbers; 0 means the current local year.
DateTime ReadDateTime(std::string_view text,
                      const RegionalSettings& settings = RegionalSettings::Current(),
                      int currentYear = 0);

// Writes a date and time the way ReadDateTime reads it (24-hour, seconds included).
std::string FormatDateTime(DateTime value,
                           const RegionalSettings& settings = RegionalSettings::Current());
