#pragma once
// Number text: reading the feed's money values and counts in the regional form (or plain
// syntax), the strict sales-count reader, and fixed-notation formatting of amounts.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "services/regional_settings.h"

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

// The strict reader of a sales-count reply: optional leading spaces, optional sign, decimal
// digits or hex after "$", "0x" or "0X" (a bare "x" is no number), nothing after; must fit
// 32 bits.
std::optional<int32_t> ReadSalesCount(std::string_view text);
