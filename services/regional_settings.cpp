#include "services/regional_settings.h"

#include <langinfo.h>
#include <locale.h>

#include "services/text_utils.h"

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

}  // namespace

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
