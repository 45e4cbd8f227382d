#pragma once
// Small byte-wise text helpers shared by the readers of the program: splitting, trimming, ASCII
// case-insensitive comparison and the character tests of the number and date scanners. None of
// them looks at the C locale.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Cuts text at every occurrence of delimiter (byte-wise, case-sensitive). Empty pieces between
// delimiters and before a leading one stay; a trailing delimiter adds no empty last piece; an
// empty delimiter is never found.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter);

// Text with the bytes up to and including space (and control bytes) cut from both ends.
std::string TrimText(std::string_view text);
// Text with ASCII white space (space, tab, CR, LF, VT, FF) cut from both ends.
std::string_view TrimWhite(std::string_view text);
// Text with spaces only cut from both ends.
std::string_view TrimSpaces(std::string_view text);

char AsciiLower(char ch);
// Equal but for the case of ASCII letters.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// True when text holds the non-empty prefix at pos, exactly or but for ASCII letter case.
bool StartsWithAt(std::string_view text, std::size_t pos, std::string_view prefix);
bool StartsWithIgnoringCase(std::string_view text, std::size_t pos, std::string_view prefix);

bool IsAsciiDigit(char ch);
// Space or tab.
bool IsBlank(char ch);
// Space, tab, CR, LF, VT or FF.
bool IsAsciiWhite(char ch);

// The text between single quotes, as conversion errors quote their input.
std::string Quoted(std::string_view text);
