#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "services/text_utils.h"

namespace {

struct SplitCase {
    const char* name;
    std::string text;
    std::string delimiter;
    std::vector<std::string> pieces;
};

class SplitTextCases : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitTextCases, Pieces) {
    EXPECT_EQ(SplitText(GetParam().text, GetParam().delimiter), GetParam().pieces);
}

INSTANTIATE_TEST_SUITE_P(
    Split, SplitTextCases,
    ::testing::Values(
        SplitCase{"three", "a;b;c", ";", {"a", "b", "c"}},
        SplitCase{"emptyBetween", "a;;b", ";", {"a", "", "b"}},
        SplitCase{"leadingDelimiter", ";a", ";", {"", "a"}},
        SplitCase{"trailingDelimiterAddsNothing", "a;", ";", {"a"}},
        SplitCase{"doubleTrailing", "a;;", ";", {"a", ""}},
        SplitCase{"delimiterAlone", ";", ";", {""}}, SplitCase{"emptyText", "", ";", {}},
        SplitCase{"noDelimiter", "abc", ";", {"abc"}},
        SplitCase{"twoByteDelimiterSkippedWhole", "a--b-c", "--", {"a", "b-c"}},
        SplitCase{"overlappingDelimiter", "a---b", "--", {"a", "-b"}},
        SplitCase{"emptyDelimiterNeverFound", "a;b", "", {"a;b"}},
        SplitCase{"emptyDelimiterEmptyText", "", "", {}},
        SplitCase{"caseSensitive", "aXbxc", "x", {"aXb", "c"}},
        // 0x5C is the trail byte of some GBK characters; the split does not know characters.
        SplitCase{"trailByteCounts",
                  "\x81\x5c"
                  "b",
                  "\\",
                  {"\x81", "b"}},
        SplitCase{"embeddedNul", std::string("a\0b;c", 5), ";", {std::string("a\0b", 3), "c"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
