#include "services/text_utils.h"

std::vector<std::string> SplitText(std::string_view text, std::string_view delimiter) {
    std::vector<std::string> pieces;
    if (!delimiter.empty()) {
        for (size_t at = text.find(delimiter); at != std::string_view::npos;
             at = text.find(delimiter)) {
            pieces.emplace_back(text.substr(0, at));
            text.remove_prefix(at + delimiter.size());
        }
    }
    if (!text.empty())
        pieces.emplace_back(text);
    return pieces;
}

std::string TrimText(std::string_view text) {
    std::size_t b = 0, e = text.size();
    while (b < e && static_cast<unsigned char>(text[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(text[e - 1]) <= ' ')
        --e;
    return std::string(text.substr(b, e - b));
}

std::string_view TrimWhite(std::string_view text) {
    while (!text.empty() && IsAsciiWhite(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsAsciiWhite(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view TrimSpaces(std::string_view text) {
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

char AsciiLower(char ch) {
    return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i]))
            return false;
    return true;
}

bool StartsWithAt(std::string_view text, std::size_t pos, std::string_view prefix) {
    return !prefix.empty() && text.substr(pos, prefix.size()) == prefix;
}

bool StartsWithIgnoringCase(std::string_view text, std::size_t pos, std::string_view prefix) {
    if (prefix.empty() || pos > text.size() || text.size() - pos < prefix.size())
        return false;
    return EqualsIgnoringCase(text.substr(pos, prefix.size()), prefix);
}

bool IsAsciiDigit(char ch) {
    return ch >= '0' && ch <= '9';
}

bool IsBlank(char ch) {
    return ch == ' ' || ch == '\t';
}

bool IsAsciiWhite(char ch) {
    return ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n' || ch == '\v' || ch == '\f';
}

std::string Quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}
