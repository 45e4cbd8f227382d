#include <gtest/gtest.h>

#include <string>

#include "deals/query_encoding.h"

namespace {

struct EncodeCase {
    const char* name;
    std::string text;
    std::string encoded;
};

class EncodeQueryValueCases : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(EncodeQueryValueCases, Encoded) {
    EXPECT_EQ(EncodeQueryValue(GetParam().text), GetParam().encoded);
}

INSTANTIATE_TEST_SUITE_P(
    Encode, EncodeQueryValueCases,
    ::testing::Values(EncodeCase{"empty", "", ""}, EncodeCase{"lettersStay", "abc", "abc"},
                      EncodeCase{"spaceIsPlus", "a b", "a+b"},
                      EncodeCase{"unreservedMarksEncodedToo", "a b+c-d_e.f~g*h/i",
                                 "a+b%2Bc%2Dd%5Fe%2Ef%7Eg%2Ah%2Fi"},
                      EncodeCase{"gbkBytesOneByOne", "\xd0\xa1\xb5\xea A", "%D0%A1%B5%EA+A"},
                      EncodeCase{"controlByteTwoDigits", "\x0a", "%0A"},
                      EncodeCase{"highestByte", "\xff", "%FF"},
                      EncodeCase{"nulByte", std::string("\0", 1), "%00"},
                      EncodeCase{"percentAndAmpersand", "100%&x=1", "100%25%26x%3D1"},
                      EncodeCase{"allDigitsAndCases", "09AZaz", "09AZaz"},
                      EncodeCase{"neighboursOfRanges", "/:@[`{", "%2F%3A%40%5B%60%7B"}),
    [](const auto& info) { return std::string(info.param.name); });

// Every byte value: the output holds only letters, digits, "+" and "%", and each byte costs one
// character when kept and three when escaped.
TEST(EncodeQueryValue, EveryByteValue) {
    for (int b = 0; b < 256; ++b) {
        const std::string in(1, static_cast<char>(b));
        const std::string out = EncodeQueryValue(in);
        const bool alnum =
            (b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        if (b == ' ') {
            EXPECT_EQ(out, "+");
        } else if (alnum) {
            EXPECT_EQ(out, in);
        } else {
            static const char hex[] = "0123456789ABCDEF";
            const std::string escaped{'%', hex[b >> 4], hex[b & 15]};
            EXPECT_EQ(out, escaped) << "byte " << b;
        }
    }
}

}  // namespace
