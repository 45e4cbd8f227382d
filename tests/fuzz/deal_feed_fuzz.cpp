// libFuzzer harness over the deal-feed reader: arbitrary bytes as the body of a feed reply, every
// deal walked, every value read and handed to the readers the feed load uses, under three fixed
// regional layouts (year first with a dot radix, day first with a comma radix and a multi-byte
// grouping, month first with 12-hour words). Any failure must be one of the program's own errors; a
// value that comes out is checked for what the rest of the program relies on.
#include <libxml/xmlerror.h>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "deals/deal_feed.h"
#include "services/date_text.h"
#include "services/date_time.h"
#include "services/errors.h"
#include "services/number_text.h"

namespace {

const char* const kValueNames[] = {"nick",   "short_title", "full_title", "price",
                                   "sprice", "num_iid",     "itemurl",    "sales_num",
                                   "stock",  "imagefile",   "stop_time"};

constexpr int kCurrentYear = 2026;

RegionalSettings MakeSettings(const char* decimal, const char* thousand, DateOrder order,
                              const char* dateSeparator, const char* am, const char* pm) {
    RegionalSettings s;
    s.decimalSeparator = decimal;
    s.thousandSeparator = thousand;
    s.dateOrder = order;
    s.dateSeparator = dateSeparator;
    s.timeSeparator = ":";
    s.amWord = am;
    s.pmWord = pm;
    return s;
}

const RegionalSettings& YearFirst() {
    static const RegionalSettings s =
        MakeSettings(".", ",", DateOrder::YearMonthDay, "-", "\xe4\xb8\x8a\xe5\x8d\x88",
                     "\xe4\xb8\x8b\xe5\x8d\x88");
    return s;
}

const RegionalSettings& DayFirst() {
    static const RegionalSettings s =
        MakeSettings(",", "\xe2\x80\xaf", DateOrder::DayMonthYear, ".", "AM", "PM");
    return s;
}

const RegionalSettings& MonthFirst() {
    static const RegionalSettings s =
        MakeSettings(".", ",", DateOrder::MonthDayYear, "/", "a.m.", "p.m.");
    return s;
}

// libxml2 hands out UTF-8 only; a value that is not would reach the widgets as garbage.
bool IsUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int more = 0;
        uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            more = 1, code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            more = 2, code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            more = 3, code = lead & 0x07;
        } else {
            return false;
        }
        if (text.size() - i <= static_cast<size_t>(more))
            return false;
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (next & 0x3F);
        }
        if ((more == 2 && code < 0x800) || (more == 3 && (code < 0x10000 || code > 0x10FFFF)) ||
            (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += static_cast<size_t>(more) + 1;
    }
    return true;
}

void Check(bool condition) {
    if (!condition)
        __builtin_trap();
}

void RunReaders(const std::string& value, const RegionalSettings& settings) {
    try {
        const double money = ReadMoney(value, settings);
        Check(std::isfinite(money));
    } catch (const ZorviaError&) {
    }
    std::optional<int32_t> count;
    try {
        count = ReadCount(value, settings);
    } catch (const ZorviaError&) {
    }
    const std::optional<int32_t> sales = ReadSalesCount(value);
    // The count reader falls back on the sales-count syntax, and two readings of the same
    // digits never differ.
    if (sales) {
        Check(count.has_value());
        Check(*count == *sales);
    }
    try {
        const DateTime when = ReadDateTime(value, settings, kCurrentYear);
        Check(std::isfinite(when));
        // What was read is a real moment: it writes out and reads back as itself.
        const std::string written = FormatDateTime(when, settings);
        const DateTime again = ReadDateTime(written, settings, kCurrentYear);
        Check(std::fabs(again - when) <= 0.5 / 86400000.0);
    } catch (const ZorviaError&) {
    }
}

void Quiet(void*, const char*, ...) {}

}  // namespace

// libxml2 reports encoding failures through its generic handler whatever the parser options say;
// the feed reader turns them into errors of its own, so the messages are only noise here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    xmlSetGenericErrorFunc(nullptr, Quiet);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view body(reinterpret_cast<const char*>(data), size);
    try {
        FeedDocument document(body);
        const int count = document.dealCount();
        Check(count >= 0);
        Check(count == 0 || document.hasRoot());
        // Text read once from the body grows at most fourfold in decoding to UTF-8 (one byte of
        // a legacy code page becomes up to three); whatever entities add is held to the reader's
        // limit for a whole document. Beyond that a small feed could fill memory.
        const size_t mostText = 4 * size + (size_t{64} << 20);
        size_t totalText = 0;
        for (int i = 0; i < count; ++i) {
            const FeedDeal deal = document.deal(i);
            for (const char* name : kValueNames) {
                std::string value;
                try {
                    value = deal.value(name);
                } catch (const ZorviaError&) {
                    continue;
                }
                totalText += value.size();
                Check(totalText <= mostText);
                Check(IsUtf8(value));
                RunReaders(value, YearFirst());
                RunReaders(value, DayFirst());
                RunReaders(value, MonthFirst());
            }
        }
    } catch (const ZorviaError&) {
    }
    return 0;
}
