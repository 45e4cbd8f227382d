#include "services/number_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

#include "services/errors.h"
#include "services/text_utils.h"

// Every conversion here is written by hand or goes through std::to_chars / std::from_chars,
// which never look at the C locale: Qt sets the process locale from the environment at start,
// and a comma radix there must not change how the feed reads or how prices are shown.

namespace {

// The digits of a number in the locale form: the integer part may carry thousands separators,
// each followed by exactly three digits, so "1.5" is never taken for fifteen under a "." grouping.
// Appends the digits without separators to `digits`.
bool ScanGroupedDigits(std::string_view text, size_t& pos, std::string_view thousands,
                       std::string& digits) {
    const size_t start = pos;
    while (pos < text.size() && IsAsciiDigit(text[pos]))
        digits += text[pos++];
    const size_t firstGroup = pos - start;
    if (firstGroup == 0 || thousands.empty())
        return firstGroup != 0;
    bool grouped = false;
    while (StartsWithAt(text, pos, thousands)) {
        const size_t groupStart = pos + thousands.size();
        size_t end = groupStart;
        while (end < text.size() && IsAsciiDigit(text[end]))
            ++end;
        if (end - groupStart != 3) {
            if (grouped || end != groupStart)
                return false;
            break;  // a separator not followed by digits: leave it for the caller to reject
        }
        digits.append(text.substr(groupStart, 3));
        pos = end;
        grouped = true;
    }
    return !grouped || firstGroup <= 3;
}

std::optional<double> ParseDecimal(std::string_view raw, const RegionalSettings& settings) {
    const std::string_view text = TrimWhite(raw);
    size_t pos = 0;
    std::string plain;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        if (text[pos] == '-')
            plain += '-';
        ++pos;
    }
    std::string integerDigits;
    const std::string_view thousands = settings.thousandSeparator == settings.decimalSeparator
                                           ? std::string_view()
                                           : settings.thousandSeparator;
    if (pos < text.size() && IsAsciiDigit(text[pos])) {
        if (!ScanGroupedDigits(text, pos, thousands, integerDigits))
            return std::nullopt;
    }
    std::string fractionDigits;
    if (StartsWithAt(text, pos, settings.decimalSeparator)) {
        pos += settings.decimalSeparator.size();
        while (pos < text.size() && IsAsciiDigit(text[pos]))
            fractionDigits += text[pos++];
    }
    if (integerDigits.empty() && fractionDigits.empty())
        return std::nullopt;
    plain += integerDigits.empty() ? "0" : integerDigits;
    if (!fractionDigits.empty())
        plain += "." + fractionDigits;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        plain += 'e';
        ++pos;
        if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
            plain += text[pos++];
        const size_t exponentStart = pos;
        while (pos < text.size() && IsAsciiDigit(text[pos]))
            plain += text[pos++];
        if (pos == exponentStart)
            return std::nullopt;
    }
    if (pos != text.size())
        return std::nullopt;

    double value = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), value);
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int32_t> FitInt32(bool negative, uint64_t magnitude) {
    if (negative) {
        if (magnitude > 2147483648ULL)
            return std::nullopt;
        return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
    }
    if (magnitude > 2147483647ULL)
        return std::nullopt;
    return static_cast<int32_t>(magnitude);
}

std::optional<int32_t> ParseLocaleInteger(std::string_view raw, const RegionalSettings& settings) {
    const std::string_view text = TrimWhite(raw);
    size_t pos = 0;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    std::string digits;
    const std::string_view thousands = settings.thousandSeparator == settings.decimalSeparator
                                           ? std::string_view()
                                           : settings.thousandSeparator;
    if (!ScanGroupedDigits(text, pos, thousands, digits) || pos != text.size())
        return std::nullopt;
    uint64_t magnitude = 0;
    for (const char digit : digits) {
        magnitude = magnitude * 10 + static_cast<uint64_t>(digit - '0');
        if (magnitude > 2147483648ULL)
            return std::nullopt;
    }
    return FitInt32(negative, magnitude);
}

int HexValue(char ch) {
    if (ch >= '0' && ch <= '9')
        return ch - '0';
    if (ch >= 'a' && ch <= 'f')
        return ch - 'a' + 10;
    if (ch >= 'A' && ch <= 'F')
        return ch - 'A' + 10;
    return -1;
}

}  // namespace

std::string FormatFixed(double value, int decimals, const RegionalSettings& settings) {
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";
    if (decimals < 0)
        decimals = 0;

    // The value to 18 significant digits: d.ddddddddddddddddde±x.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                       std::chars_format::scientific, 17);
    const std::string_view text(buffer, static_cast<size_t>(written.ptr - buffer));
    const size_t e = text.find('e');
    std::string digits;
    digits += text[0];
    digits.append(text.substr(2, e - 2));
    int exponent = 0;
    std::from_chars(text.data() + e + (text[e + 1] == '+' ? 2 : 1), text.data() + text.size(),
                    exponent);
    int integerDigits = exponent + 1;  // digits before the point; zero or less below 1

    // Half away from zero at the shown place, on the decimal digits rather than the binary value.
    const int keep = integerDigits + decimals;
    if (keep < 0) {
        digits.clear();
    } else if (keep < static_cast<int>(digits.size())) {
        const bool roundUp = digits[static_cast<size_t>(keep)] >= '5';
        digits.resize(static_cast<size_t>(keep));
        if (roundUp) {
            int i = keep - 1;
            while (i >= 0 && digits[static_cast<size_t>(i)] == '9') {
                digits[static_cast<size_t>(i)] = '0';
                --i;
            }
            if (i >= 0) {
                ++digits[static_cast<size_t>(i)];
            } else {
                digits.insert(digits.begin(), '1');
                ++integerDigits;
            }
        }
    }

    auto digitAt = [&](int index) {
        return index >= 0 && index < static_cast<int>(digits.size())
                   ? digits[static_cast<size_t>(index)]
                   : '0';
    };
    std::string result;
    if (integerDigits <= 0) {
        result += '0';
    } else {
        for (int i = 0; i < integerDigits; ++i)
            result += digitAt(i);
    }
    if (decimals > 0) {
        result += settings.decimalSeparator;
        for (int i = 0; i < decimals; ++i)
            result += digitAt(integerDigits + i);
    }
    // A negative value that rounds to zero is shown as zero, not "-0.00".
    if (value < 0 && digits.find_first_not_of('0') != std::string::npos)
        result.insert(0, "-");
    return result;
}

double ReadMoney(std::string_view text, const RegionalSettings& settings) {
    if (const auto value = ParseDecimal(text, settings))
        return *value;
    throw ConvertError(Quoted(text) + " is not a valid floating point value");
}

int32_t ReadCount(std::string_view text, const RegionalSettings& settings) {
    if (const auto value = ParseLocaleInteger(text, settings))
        return *value;
    if (const auto value = ReadSalesCount(text))
        return *value;
    if (EqualsIgnoringCase(text, "True"))
        return 1;
    if (EqualsIgnoringCase(text, "False"))
        return 0;
    throw ConvertError(Quoted(text) + " is not a valid integer value");
}

std::optional<int32_t> ReadSalesCount(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    // Hexadecimal digits follow "$" or "0x" only; a bare "x" makes no number.
    bool hex = false;
    if (pos < text.size() && text[pos] == '$') {
        hex = true;
        ++pos;
    } else if (pos + 1 < text.size() && text[pos] == '0' &&
               (text[pos + 1] == 'x' || text[pos + 1] == 'X')) {
        hex = true;
        pos += 2;
    }
    const size_t start = pos;
    uint64_t magnitude = 0;
    for (; pos < text.size(); ++pos) {
        const int digit =
            hex ? HexValue(text[pos]) : (IsAsciiDigit(text[pos]) ? text[pos] - '0' : -1);
        if (digit < 0)
            return std::nullopt;
        magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
        if (magnitude > 2147483648ULL)
            return std::nullopt;
    }
    if (pos == start)
        return std::nullopt;
    return FitInt32(negative, magnitude);
}
