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

// The three trims differ in what they cut: every byte up to space, ASCII white space, spaces.
TEST(Trim, EachCutsItsOwnBytesFromBothEndsOnly) {
    const std::string text = "\x01\t\r\n a b \v\f ";
    EXPECT_EQ(TrimText(text), "a b");
    EXPECT_EQ(TrimWhite(text), "\x01\t\r\n a b");
    EXPECT_EQ(TrimSpaces("  \ta b\t  "), "\ta b\t");
    for (const char* blank : {"", " ", "\t\r\n"}) {
        EXPECT_EQ(TrimText(blank), "");
        EXPECT_EQ(TrimWhite(blank), "");
    }
}

TEST(IgnoringCase, OnlyAsciiLettersFold) {
    EXPECT_TRUE(EqualsIgnoringCase("Set-Cookie", "set-COOKIE"));
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
    EXPECT_FALSE(EqualsIgnoringCase("True", "Tru"));
    EXPECT_FALSE(EqualsIgnoringCase("\xc3\x84", "\xc3\xa4")) << "non-ASCII letters stay apart";
    EXPECT_FALSE(EqualsIgnoringCase("[", "{")) << "only letters fold";
    EXPECT_TRUE(StartsWithIgnoringCase("12:30 pm", 6, "PM"));
    EXPECT_FALSE(StartsWithIgnoringCase("12:30 p", 6, "PM")) << "the text ends first";
    EXPECT_FALSE(StartsWithIgnoringCase("am", 0, "")) << "an empty prefix is never found";
    EXPECT_FALSE(StartsWithIgnoringCase("am", 3, "a"));
    EXPECT_TRUE(StartsWithAt("1.234,5", 1, "."));
    EXPECT_FALSE(StartsWithAt("1.234,5", 1, ""));
}

}  // namespace
