#include "services/date_text.h"

#include <charconv>
#include <optional>

#include "services/errors.h"
#include "services/text_utils.h"

// Written by hand and through std::to_chars, which never look at the C locale.

namespace {

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
        while (pos < text.size() && IsAsciiDigit(text[pos])) {
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
        if (StartsWithAt(text, pos, separator)) {
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
            if (StartsWithAt(scan.text, scan.pos, settings.decimalSeparator)) {
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
