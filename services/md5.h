#pragma once
// MD5 message digest (RFC 1321) and its lower-case hex text. Picture-cache file names are
// derived from it, so it must be bit-exact.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct MD5Context {
    uint32_t state[4];
    uint32_t count[2];  // bits processed, low word first
    uint8_t buffer[64];
};

using MD5Digest = std::array<uint8_t, 16>;

void MD5Init(MD5Context& context);
void MD5Update(MD5Context& context, const void* bytes, size_t length);
// Pads, writes the digest and wipes the context to zeros.
MD5Digest MD5Final(MD5Context& context);
// The digest of the text's bytes exactly as stored.
MD5Digest MD5String(std::string_view text);
// 32 lower-case hex digits.
std::string MD5Print(const MD5Digest& digest);
