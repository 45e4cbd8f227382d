#include "deals/query_encoding.h"

std::string EncodeQueryValue(std::string_view text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size() * 3);
    for (const char ch : text) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte == ' ') {
            encoded += '+';
        } else if ((byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
                   (byte >= 'a' && byte <= 'z')) {
            encoded += ch;
        } else {
            // Every other byte on its own, so both bytes of a double-byte character are escaped.
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 0x0f];
        }
    }
    return encoded;
}
