#pragma once
// Encoding of a text as a URL query value, byte by byte, as the marketplace pages want it.

#include <string>
#include <string_view>

// Space becomes "+", ASCII letters and digits stay, every other byte becomes "%XX" (upper-case).
std::string EncodeQueryValue(std::string_view text);
