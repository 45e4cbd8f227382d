#include "services/md5.h"

#include <cstring>

namespace {

inline uint32_t LoadLittleEndian32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    return v;
}

inline void StoreLittleEndian32(uint8_t* p, uint32_t v) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    v = __builtin_bswap32(v);
#endif
    std::memcpy(p, &v, sizeof v);
}

inline uint32_t RotateLeft(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The round functions are written in forms that need the fewest dependent operations: F selects
// through d, and G's two terms never share a bit, so they can be added instead of or-ed, which
// lets the additions of a step be reordered.
#define MD5_STEP_F(a, b, c, d, x, s, k)           \
    a += ((((c) ^ (d)) & (b)) ^ (d)) + (x) + (k); \
    a = RotateLeft(a, s) + (b);
#define MD5_STEP_G(a, b, c, d, x, s, k)            \
    a += (x) + (k) + ((~(d)) & (c)) + ((d) & (b)); \
    a = RotateLeft(a, s) + (b);
#define MD5_STEP_H(a, b, c, d, x, s, k) \
    a += ((b) ^ (c) ^ (d)) + (x) + (k); \
    a = RotateLeft(a, s) + (b);
#define MD5_STEP_I(a, b, c, d, x, s, k)    \
    a += ((c) ^ ((b) | ~(d))) + (x) + (k); \
    a = RotateLeft(a, s) + (b);

// Compresses `blocks` consecutive 64-byte blocks into the state.
void Transform(uint32_t state[4], const uint8_t* data, size_t blocks) {
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    while (blocks--) {
        uint32_t x[16];
        for (int i = 0; i < 16; ++i)
            x[i] = LoadLittleEndian32(data + 4 * i);
        const uint32_t aa = a, bb = b, cc = c, dd = d;

        MD5_STEP_F(a, b, c, d, x[0], 7, 0xd76aa478)
        MD5_STEP_F(d, a, b, c, x[1], 12, 0xe8c7b756)
        MD5_STEP_F(c, d, a, b, x[2], 17, 0x242070db)
        MD5_STEP_F(b, c, d, a, x[3], 22, 0xc1bdceee)
        MD5_STEP_F(a, b, c, d, x[4], 7, 0xf57c0faf)
        MD5_STEP_F(d, a, b, c, x[5], 12, 0x4787c62a)
        MD5_STEP_F(c, d, a, b, x[6], 17, 0xa8304613)
        MD5_STEP_F(b, c, d, a, x[7], 22, 0xfd469501)
        MD5_STEP_F(a, b, c, d, x[8], 7, 0x698098d8)
        MD5_STEP_F(d, a, b, c, x[9], 12, 0x8b44f7af)
        MD5_STEP_F(c, d, a, b, x[10], 17, 0xffff5bb1)
        MD5_STEP_F(b, c, d, a, x[11], 22, 0x895cd7be)
        MD5_STEP_F(a, b, c, d, x[12], 7, 0x6b901122)
        MD5_STEP_F(d, a, b, c, x[13], 12, 0xfd987193)
        MD5_STEP_F(c, d, a, b, x[14], 17, 0xa679438e)
        MD5_STEP_F(b, c, d, a, x[15], 22, 0x49b40821)

        MD5_STEP_G(a, b, c, d, x[1], 5, 0xf61e2562)
        MD5_STEP_G(d, a, b, c, x[6], 9, 0xc040b340)
        MD5_STEP_G(c, d, a, b, x[11], 14, 0x265e5a51)
        MD5_STEP_G(b, c, d, a, x[0], 20, 0xe9b6c7aa)
        MD5_STEP_G(a, b, c, d, x[5], 5, 0xd62f105d)
        MD5_STEP_G(d, a, b, c, x[10], 9, 0x02441453)
        MD5_STEP_G(c, d, a, b, x[15], 14, 0xd8a1e681)
        MD5_STEP_G(b, c, d, a, x[4], 20, 0xe7d3fbc8)
        MD5_STEP_G(a, b, c, d, x[9], 5, 0x21e1cde6)
        MD5_STEP_G(d, a, b, c, x[14], 9, 0xc33707d6)
        MD5_STEP_G(c, d, a, b, x[3], 14, 0xf4d50d87)
        MD5_STEP_G(b, c, d, a, x[8], 20, 0x455a14ed)
        MD5_STEP_G(a, b, c, d, x[13], 5, 0xa9e3e905)
        MD5_STEP_G(d, a, b, c, x[2], 9, 0xfcefa3f8)
        MD5_STEP_G(c, d, a, b, x[7], 14, 0x676f02d9)
        MD5_STEP_G(b, c, d, a, x[12], 20, 0x8d2a4c8a)

        MD5_STEP_H(a, b, c, d, x[5], 4, 0xfffa3942)
        MD5_STEP_H(d, a, b, c, x[8], 11, 0x8771f681)
        MD5_STEP_H(c, d, a, b, x[11], 16, 0x6d9d6122)
        MD5_STEP_H(b, c, d, a, x[14], 23, 0xfde5380c)
        MD5_STEP_H(a, b, c, d, x[1], 4, 0xa4beea44)
        MD5_STEP_H(d, a, b, c, x[4], 11, 0x4bdecfa9)
        MD5_STEP_H(c, d, a, b, x[7], 16, 0xf6bb4b60)
        MD5_STEP_H(b, c, d, a, x[10], 23, 0xbebfbc70)
        MD5_STEP_H(a, b, c, d, x[13], 4, 0x289b7ec6)
        MD5_STEP_H(d, a, b, c, x[0], 11, 0xeaa127fa)
        MD5_STEP_H(c, d, a, b, x[3], 16, 0xd4ef3085)
        MD5_STEP_H(b, c, d, a, x[6], 23, 0x04881d05)
        MD5_STEP_H(a, b, c, d, x[9], 4, 0xd9d4d039)
        MD5_STEP_H(d, a, b, c, x[12], 11, 0xe6db99e5)
        MD5_STEP_H(c, d, a, b, x[15], 16, 0x1fa27cf8)
        MD5_STEP_H(b, c, d, a, x[2], 23, 0xc4ac5665)

        MD5_STEP_I(a, b, c, d, x[0], 6, 0xf4292244)
        MD5_STEP_I(d, a, b, c, x[7], 10, 0x432aff97)
        MD5_STEP_I(c, d, a, b, x[14], 15, 0xab9423a7)
        MD5_STEP_I(b, c, d, a, x[5], 21, 0xfc93a039)
        MD5_STEP_I(a, b, c, d, x[12], 6, 0x655b59c3)
        MD5_STEP_I(d, a, b, c, x[3], 10, 0x8f0ccc92)
        MD5_STEP_I(c, d, a, b, x[10], 15, 0xffeff47d)
        MD5_STEP_I(b, c, d, a, x[1], 21, 0x85845dd1)
        MD5_STEP_I(a, b, c, d, x[8], 6, 0x6fa87e4f)
        MD5_STEP_I(d, a, b, c, x[15], 10, 0xfe2ce6e0)
        MD5_STEP_I(c, d, a, b, x[6], 15, 0xa3014314)
        MD5_STEP_I(b, c, d, a, x[13], 21, 0x4e0811a1)
        MD5_STEP_I(a, b, c, d, x[4], 6, 0xf7537e82)
        MD5_STEP_I(d, a, b, c, x[11], 10, 0xbd3af235)
        MD5_STEP_I(c, d, a, b, x[2], 15, 0x2ad7d2bb)
        MD5_STEP_I(b, c, d, a, x[9], 21, 0xeb86d391)

        a += aa;
        b += bb;
        c += cc;
        d += dd;
        data += 64;
    }
    state[0] = a;
    state[1] = b;
    state[2] = c;
    state[3] = d;
}

#undef MD5_STEP_F
#undef MD5_STEP_G
#undef MD5_STEP_H
#undef MD5_STEP_I

}  // namespace

void MD5Init(MD5Context& context) {
    context.state[0] = 0x67452301;
    context.state[1] = 0xefcdab89;
    context.state[2] = 0x98badcfe;
    context.state[3] = 0x10325476;
    context.count[0] = 0;
    context.count[1] = 0;
    std::memset(context.buffer, 0, sizeof context.buffer);
}

void MD5Update(MD5Context& context, const void* bytes, size_t length) {
    if (length == 0)
        return;
    const uint8_t* input = static_cast<const uint8_t*>(bytes);
    size_t index = (context.count[0] >> 3) & 0x3f;

    // The bit count is 64 bits wide and wraps like the RFC's: length * 8 may exceed 32 bits.
    const uint64_t bits = (static_cast<uint64_t>(context.count[1]) << 32 | context.count[0]) +
                          (static_cast<uint64_t>(length) << 3);
    context.count[0] = static_cast<uint32_t>(bits);
    context.count[1] = static_cast<uint32_t>(bits >> 32);

    if (index != 0) {
        const size_t room = 64 - index;
        if (length < room) {
            std::memcpy(context.buffer + index, input, length);
            return;
        }
        std::memcpy(context.buffer + index, input, room);
        Transform(context.state, context.buffer, 1);
        input += room;
        length -= room;
    }
    const size_t blocks = length / 64;
    if (blocks != 0) {
        Transform(context.state, input, blocks);
        input += blocks * 64;
        length -= blocks * 64;
    }
    if (length != 0)
        std::memcpy(context.buffer, input, length);
}

MD5Digest MD5Final(MD5Context& context) {
    uint8_t lengthBytes[8];
    StoreLittleEndian32(lengthBytes, context.count[0]);
    StoreLittleEndian32(lengthBytes + 4, context.count[1]);

    static const uint8_t padding[64] = {0x80};
    const size_t index = (context.count[0] >> 3) & 0x3f;
    const size_t padLength = index < 56 ? 56 - index : 120 - index;
    MD5Update(context, padding, padLength);
    MD5Update(context, lengthBytes, 8);

    MD5Digest digest;
    for (int i = 0; i < 4; ++i)
        StoreLittleEndian32(digest.data() + 4 * i, context.state[i]);
    std::memset(&context, 0, sizeof context);
    return digest;
}

MD5Digest MD5String(std::string_view text) {
    MD5Context context;
    MD5Init(context);
    MD5Update(context, text.data(), text.size());
    return MD5Final(context);
}

std::string MD5Print(const MD5Digest& digest) {
    static const char hex[] = "0123456789abcdef";
    std::string text(32, '0');
    for (size_t i = 0; i < digest.size(); ++i) {
        text[2 * i] = hex[digest[i] >> 4];
        text[2 * i + 1] = hex[digest[i] & 0x0f];
    }
    return text;
}
