#include "services/regional.h"

#include <langinfo.h>
#include <locale.h>

#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "services/errors.h"

// Every conversion here is written by hand or goes through std::to_chars / std::from_chars,
// which never look at the C locale: Qt sets the process locale from the environment at start,
// and a comma radix there must not change how the feed reads or how prices are shown.

namespace {

// ---------------------------------------------------------------------------------------------
// Reading the locale's formats

enum class Field { None, Day, Month, Year, Hour, Minute, Second, Other };

// Walks a strftime format and reports each conversion and the literal text before it.
template <typename Visit>
void WalkFormat(std::string_view format, Visit visit) {
    std::string literal;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            literal += format[i];
            continue;
        }
        ++i;
        while (i < format.size() && (format[i] == '-' || format[i] == '_' || format[i] == '0' ||
                                     format[i] == '^' || format[i] == '#'))
            ++i;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9')
            ++i;
        if (i < format.size() && (format[i] == 'E' || format[i] == 'O'))
            ++i;
        if (i >= format.size())
            break;
        const char conversion = format[i];
        switch (conversion) {
            case 'D':  // %m/%d/%y
                visit(literal, Field::Month);
                visit("/", Field::Day);
                visit("/", Field::Year);
                break;
            case 'F':  // %Y-%m-%d
                visit(literal, Field::Year);
                visit("-", Field::Month);
                visit("-", Field::Day);
                break;
            case 'T':  // %H:%M:%S
                visit(literal, Field::Hour);
                visit(":", Field::Minute);
                visit(":", Field::Second);
                break;
            case 'R':  // %H:%M
                visit(literal, Field::Hour);
                visit(":", Field::Minute);
                break;
            case 'r':  // %I:%M:%S %p
                visit(literal, Field::Hour);
                visit(":", Field::Minute);
                visit(":", Field::Second);
                break;
            case 'd':
            case 'e':
                visit(literal, Field::Day);
                break;
            case 'm':
            case 'b':
            case 'B':
            case 'h':
                visit(literal, Field::Month);
                break;
            case 'y':
            case 'Y':
            case 'C':
            case 'G':
            case 'g':
                visit(literal, Field::Year);
                break;
            case 'H':
            case 'I':
            case 'k':
            case 'l':
                visit(literal, Field::Hour);
                break;
            case 'M':
                visit(literal, Field::Minute);
                break;
            case 'S':
                visit(literal, Field::Second);
                break;
            case '%':
                literal += '%';
                continue;
            default:
                visit(literal, Field::Other);
                break;
        }
        literal.clear();
    }
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

// A separator the readers can rely on: plain ASCII punctuation, no letters, digits or blanks.
bool IsUsableSeparator(std::string_view separator) {
    if (separator.empty())
        return false;
    for (const char ch : separator) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte <= 0x20 || byte >= 0x7f)
            return false;
        if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= 'a' && byte <= 'z') || byte == '%')
            return false;
    }
    return true;
}

bool IsDateField(Field f) {
    return f == Field::Day || f == Field::Month || f == Field::Year;
}
bool IsTimeField(Field f) {
    return f == Field::Hour || f == Field::Minute || f == Field::Second;
}

// ---------------------------------------------------------------------------------------------
// Scanning helpers

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}
bool IsWhite(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}
bool IsDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

std::string_view TrimWhite(std::string_view text) {
    while (!text.empty() && IsWhite(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsWhite(text.back()))
        text.remove_suffix(1);
    return text;
}

bool StartsWith(std::string_view text, size_t pos, std::string_view prefix) {
    return !prefix.empty() && text.substr(pos, prefix.size()) == prefix;
}

char AsciiLower(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool StartsWithIgnoringCase(std::string_view text, size_t pos, std::string_view prefix) {
    if (prefix.empty() || pos > text.size() || text.size() - pos < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (AsciiLower(text[pos + i]) != AsciiLower(prefix[i]))
            return false;
    }
    return true;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view word) {
    return text.size() == word.size() && StartsWithIgnoringCase(text, 0, word);
}

// The digits of a number in the locale form: the integer part may carry thousands separators,
// each followed by exactly three digits, so "1.5" is never taken for fifteen under a "." grouping.
// Appends the digits without separators to `digits`.
bool ScanGroupedDigits(std::string_view text, size_t& pos, std::string_view thousands,
                       std::string& digits) {
    const size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos]))
        digits += text[pos++];
    const size_t firstGroup = pos - start;
    if (firstGroup == 0 || thousands.empty())
        return firstGroup != 0;
    bool grouped = false;
    while (StartsWith(text, pos, thousands)) {
        const size_t groupStart = pos + thousands.size();
        size_t end = groupStart;
        while (end < text.size() && IsDigit(text[end]))
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

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

// ---------------------------------------------------------------------------------------------
// Numbers

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
    if (pos < text.size() && IsDigit(text[pos])) {
        if (!ScanGroupedDigits(text, pos, thousands, integerDigits))
            return std::nullopt;
    }
    std::string fractionDigits;
    if (StartsWith(text, pos, settings.decimalSeparator)) {
        pos += settings.decimalSeparator.size();
        while (pos < text.size() && IsDigit(text[pos]))
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
        while (pos < text.size() && IsDigit(text[pos]))
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

// ---------------------------------------------------------------------------------------------
// Dates

struct DateScanner {
    std::string_view text;
    size_t pos = 0;

    bool AtEnd() const { return pos >= text.size(); }
    void SkipBlanks() {
        while (pos < text.size() && IsBlank(text[pos]))
            ++pos;
    }
    // A run of decimal digits; its length goes to `length`.
    bool Number(int& value, int& length) {
        SkipBlanks();
        const size_t start = pos;
        long long v = 0;
        while (pos < text.size() && IsDigit(text[pos])) {
            if (pos - start >= 9)
                return false;
            v = v * 10 + (text[pos] - '0');
            ++pos;
        }
        length = static_cast<int>(pos - start);
        value = static_cast<int>(v);
        return length > 0;
    }
    // The separator, blanks before it allowed; the position is left alone when it is not there.
    bool Separator(std::string_view separator) {
        const size_t saved = pos;
        SkipBlanks();
        if (StartsWith(text, pos, separator)) {
            pos += separator.size();
            return true;
        }
        pos = saved;
        return false;
    }
    // 0 none, 1 AM, 2 PM.
    int Marker(const RegionalSettings& settings) {
        const size_t saved = pos;
        SkipBlanks();
        const std::string_view words[] = {settings.amWord, settings.pmWord, "AM", "PM"};
        for (int i = 0; i < 4; ++i) {
            if (StartsWithIgnoringCase(text, pos, words[i])) {
                pos += words[i].size();
                return i % 2 == 0 ? 1 : 2;
            }
        }
        pos = saved;
        return 0;
    }
};

int PlaceTwoDigitYear(int year, int currentYear) {
    const int windowStart = currentYear - 50;
    int placed = windowStart / 100 * 100 + year;
    if (placed < windowStart)
        placed += 100;
    return placed;
}

std::optional<DateTime> ParseDateTime(std::string_view raw, const RegionalSettings& settings,
                                      int currentYear) {
    DateScanner scan{TrimWhite(raw)};
    int numbers[3] = {0, 0, 0};
    int lengths[3] = {0, 0, 0};
    int count = 0;
    if (!scan.Number(numbers[0], lengths[0]))
        return std::nullopt;
    if (!scan.Separator(settings.dateSeparator))
        return std::nullopt;
    if (!scan.Number(numbers[1], lengths[1]))
        return std::nullopt;
    count = 2;
    if (scan.Separator(settings.dateSeparator)) {
        if (!scan.Number(numbers[2], lengths[2]))
            return std::nullopt;
        count = 3;
    }

    int year = currentYear, month = 0, day = 0, yearLength = 4;
    if (count == 3) {
        switch (settings.dateOrder) {
            case DateOrder::DayMonthYear:
                day = numbers[0], month = numbers[1], year = numbers[2], yearLength = lengths[2];
                break;
            case DateOrder::MonthDayYear:
                month = numbers[0], day = numbers[1], year = numbers[2], yearLength = lengths[2];
                break;
            case DateOrder::YearMonthDay:
                year = numbers[0], month = numbers[1], day = numbers[2], yearLength = lengths[0];
                break;
        }
    } else if (settings.dateOrder == DateOrder::DayMonthYear) {
        day = numbers[0], month = numbers[1];
    } else {
        month = numbers[0], day = numbers[1];
    }
    if (yearLength <= 2)
        year = PlaceTwoDigitYear(year, currentYear);

    int hour = 0, minute = 0, second = 0, millisecond = 0;
    scan.SkipBlanks();
    if (!scan.AtEnd()) {
        int marker = scan.Marker(settings);
        int length = 0;
        if (!scan.Number(hour, length))
            return std::nullopt;
        if (!scan.Separator(settings.timeSeparator))
            return std::nullopt;
        if (!scan.Number(minute, length))
            return std::nullopt;
        if (scan.Separator(settings.timeSeparator)) {
            if (!scan.Number(second, length))
                return std::nullopt;
            if (StartsWith(scan.text, scan.pos, settings.decimalSeparator)) {
                scan.pos += settings.decimalSeparator.size();
                // The digits are a fraction of the second: ".5" is half a second.
                if (!scan.Number(millisecond, length) || length > 3)
                    return std::nullopt;
                for (; length < 3; ++length)
                    millisecond *= 10;
            }
        }
        if (marker == 0)
            marker = scan.Marker(settings);
        scan.SkipBlanks();
        if (!scan.AtEnd())
            return std::nullopt;
        if (marker != 0) {
            if (hour > 12)
                return std::nullopt;
            if (hour == 12)
                hour = 0;
            if (marker == 2)
                hour += 12;
        }
    }
    try {
        return EncodeDateTime(year, month, day, hour, minute, second, millisecond);
    } catch (const ConvertError&) {
        return std::nullopt;
    }
}

void AppendPadded(std::string& out, int value, int width) {
    char buffer[16];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    for (int n = static_cast<int>(result.ptr - buffer); n < width; ++n)
        out += '0';
    out.append(buffer, result.ptr);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

RegionalSettings RegionalSettings::FromLocaleInfo(std::string_view radix,
                                                  std::string_view thousands,
                                                  std::string_view dateFormat,
                                                  std::string_view timeFormat, std::string_view am,
                                                  std::string_view pm) {
    RegionalSettings settings;
    settings.decimalSeparator = radix.empty() ? "." : std::string(radix);
    settings.thousandSeparator = thousands == radix ? std::string() : std::string(thousands);

    Field first = Field::None;
    int dateFields = 0;
    std::string dateSeparator;
    WalkFormat(dateFormat, [&](std::string_view literal, Field field) {
        if (!IsDateField(field))
            return;
        if (first == Field::None)
            first = field;
        if (++dateFields == 2)
            dateSeparator = std::string(TrimSpaces(literal));
    });
    if (first == Field::Day)
        settings.dateOrder = DateOrder::DayMonthYear;
    if (first == Field::Month)
        settings.dateOrder = DateOrder::MonthDayYear;
    if (first == Field::Year)
        settings.dateOrder = DateOrder::YearMonthDay;
    settings.dateSeparator = IsUsableSeparator(dateSeparator) ? dateSeparator : "-";

    int timeFields = 0;
    std::string timeSeparator;
    WalkFormat(timeFormat, [&](std::string_view literal, Field field) {
        if (!IsTimeField(field))
            return;
        if (++timeFields == 2)
            timeSeparator = std::string(TrimSpaces(literal));
    });
    settings.timeSeparator = IsUsableSeparator(timeSeparator) ? timeSeparator : ":";

    settings.amWord = am.empty() ? "AM" : std::string(am);
    settings.pmWord = pm.empty() ? "PM" : std::string(pm);
    return settings;
}

RegionalSettings RegionalSettings::FromUserLocale() {
    // "" takes each category from LC_ALL, LC_NUMERIC / LC_TIME or LANG, as setlocale would; a
    // locale that is not installed falls back to the C locale rather than failing the start.
    locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (numeric == static_cast<locale_t>(nullptr))
        numeric = ::newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(nullptr));
    locale_t time = ::newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (time == static_cast<locale_t>(nullptr))
        time = ::newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(nullptr));

    auto info = [](nl_item item, locale_t locale) -> std::string {
        if (locale == static_cast<locale_t>(nullptr))
            return std::string();
        const char* text = ::nl_langinfo_l(item, locale);
        return text ? std::string(text) : std::string();
    };
    const std::string radix = info(RADIXCHAR, numeric);
    const std::string thousands = info(THOUSEP, numeric);
    std::string dateFormat = info(D_FMT, time);
    std::string timeFormat = info(T_FMT, time);
    const std::string am = info(AM_STR, time);
    const std::string pm = info(PM_STR, time);
    if (numeric != static_cast<locale_t>(nullptr))
        ::freelocale(numeric);
    if (time != static_cast<locale_t>(nullptr))
        ::freelocale(time);
    if (dateFormat.empty())
        dateFormat = "%m/%d/%y";
    if (timeFormat.empty())
        timeFormat = "%H:%M:%S";
    return FromLocaleInfo(radix, thousands, dateFormat, timeFormat, am, pm);
}

const RegionalSettings& RegionalSettings::Current() {
    static const RegionalSettings settings = FromUserLocale();
    return settings;
}

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

DateTime ReadDateTime(std::string_view text, const RegionalSettings& settings, int currentYear) {
    if (currentYear == 0)
        currentYear = DecodeDateTime(CurrentLocalDateTime()).year;
    if (const auto value = ParseDateTime(text, settings, currentYear))
        return *value;
    throw ConvertError(Quoted(text) + " is not a valid date and time");
}

std::string FormatDateTime(DateTime value, const RegionalSettings& settings) {
    const DateTimeParts parts = DecodeDateTime(value);
    // Four-digit years, so that reading the text back never applies the two-digit window.
    struct Field {
        int value, width;
    };
    const Field year{parts.year, 4}, month{parts.month, 2}, day{parts.day, 2};
    Field order[3] = {year, month, day};
    if (settings.dateOrder == DateOrder::DayMonthYear) {
        order[0] = day, order[1] = month, order[2] = year;
    } else if (settings.dateOrder == DateOrder::MonthDayYear) {
        order[0] = month, order[1] = day, order[2] = year;
    }
    std::string out;
    for (int i = 0; i < 3; ++i) {
        if (i > 0)
            out += settings.dateSeparator;
        AppendPadded(out, order[i].value, order[i].width);
    }
    out += ' ';
    AppendPadded(out, parts.hour, 2);
    out += settings.timeSeparator;
    AppendPadded(out, parts.minute, 2);
    out += settings.timeSeparator;
    AppendPadded(out, parts.second, 2);
    if (parts.millisecond != 0) {
        out += settings.decimalSeparator;
        AppendPadded(out, parts.millisecond, 3);
    }
    return out;
}

std::optional<int32_t> ReadSalesCount(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ')
        ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-'))
        negative = text[pos++] == '-';
    bool hex = false;
    if (pos < text.size() && (text[pos] == '$' || text[pos] == 'x' || text[pos] == 'X')) {
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
        const int digit = hex ? HexValue(text[pos]) : (IsDigit(text[pos]) ? text[pos] - '0' : -1);
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
