#pragma once
// Byte-wise text splitting.

#include <string>
#include <string_view>
#include <vector>

// Cuts text at every occurrence of delimiter (byte-wise, case-sensitive). Empty pieces between
// delimiters and before a leading one stay; a trailing delimiter adds no empty last piece; an
// empty delimiter is never found.
std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter);
