#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "services/md5.h"

namespace {

struct DigestCase {
    const char* name;
    std::string text;
    const char* hex;
};

std::string Repeated(char ch, size_t n) {
    return std::string(n, ch);
}

class Md5Digest : public ::testing::TestWithParam<DigestCase> {};

TEST_P(Md5Digest, MatchesReferenceDigest) {
    EXPECT_EQ(MD5Print(MD5String(GetParam().text)), GetParam().hex);
}

INSTANTIATE_TEST_SUITE_P(
    Rfc1321Suite, Md5Digest,
    ::testing::Values(
        DigestCase{"empty", "", "d41d8cd98f00b204e9800998ecf8427e"},
        DigestCase{"a", "a", "0cc175b9c0f1b6a831c399e269772661"},
        DigestCase{"abc", "abc", "900150983cd24fb0d6963f7d28e17f72"},
        DigestCase{"messageDigest", "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        DigestCase{"alphabet", "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        DigestCase{"alphanumeric", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
                   "d174ab98d277d9f5a5611c2c9f419d9f"},
        DigestCase{"eightyDigits",
                   "1234567890123456789012345678901234567890123456789012345678901234567890"
                   "1234567890",
                   "57edf4a22be3c955ac49da2e2107b67a"}),
    [](const auto& info) { return std::string(info.param.name); });

// Lengths around the 56-byte point where the padding spills into a second block, and around
// the block size itself.
INSTANTIATE_TEST_SUITE_P(
    PaddingBoundaries, Md5Digest,
    ::testing::Values(DigestCase{"a55", Repeated('a', 55), "ef1772b6dff9a122358552954ad0df65"},
                      DigestCase{"a56", Repeated('a', 56), "3b0c8ac703f828b04c6c197006d17218"},
                      DigestCase{"a63", Repeated('a', 63), "b06521f39153d618550606be297466d5"},
                      DigestCase{"a64", Repeated('a', 64), "014842d480b571495a4a0363793f7367"},
                      DigestCase{"a65", Repeated('a', 65), "c743a45e0d2e6a95cb859adae0248435"},
                      DigestCase{"a119", Repeated('a', 119), "8a7bd0732ed6a28ce75f6dabc90e1613"},
                      DigestCase{"a120", Repeated('a', 120), "5f61c0ccad4cac44c75ff505e1f1e537"},
                      DigestCase{"a128", Repeated('a', 128), "e510683b3f5ffe4093d021808bc6ff70"}),
    [](const auto& info) { return std::string(info.param.name); });

// Bytes at and above 0x80 (a GBK picture URL) and a NUL byte are digested as they stand.
INSTANTIATE_TEST_SUITE_P(
    RawBytes, Md5Digest,
    ::testing::Values(DigestCase{"gbkUrl",
                                 "http://img.example.cn/\xd0\xa1\xb5\xea/\xc9\xcc\xc6\xb7.jpg",
                                 "d9bed077804d7aafeedd48d033723de4"},
                      DigestCase{"highAndNulBytes", std::string("\x80\xff\x00\x7f", 4),
                                 "7a69791d633da1f6adc191eceeeeb48c"}),
    [](const auto& info) { return std::string(info.param.name); });

std::vector<uint8_t> PatternBytes(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i)
        bytes[i] = static_cast<uint8_t>((i * 131 + 7) & 255);
    return bytes;
}

// Feeding the same bytes in pieces of every awkward size must not change the digest: the
// buffered remainder, the direct multi-block path and the buffer refill all take part.
TEST(Md5Update, PiecewiseEqualsWhole) {
    const std::vector<uint8_t> bytes = PatternBytes(1000);
    const char* expected = "0b8ae90ded6089334e353eb2669ab5e6";
    for (size_t piece : {1u, 3u, 55u, 56u, 63u, 64u, 65u, 127u, 128u, 129u, 999u, 1000u}) {
        MD5Context context;
        MD5Init(context);
        for (size_t at = 0; at < bytes.size(); at += piece)
            MD5Update(context, bytes.data() + at, std::min(piece, bytes.size() - at));
        EXPECT_EQ(MD5Print(MD5Final(context)), expected) << "pieces of " << piece;
    }
}

TEST(Md5Update, MillionBytes) {
    const std::string text(1000000, 'a');
    MD5Context context;
    MD5Init(context);
    MD5Update(context, text.data(), 1);
    MD5Update(context, text.data() + 1, text.size() - 1);
    EXPECT_EQ(MD5Print(MD5Final(context)), "7707d6ae4e027c70eea2a935c2296f21");
}

TEST(Md5Update, BitCountCarriesIntoHighWord) {
    MD5Context context;
    MD5Init(context);
    context.count[0] = 0xfffffe00u;  // a whole number of blocks, so the buffer is empty
    const std::vector<uint8_t> bytes = PatternBytes(64);
    MD5Update(context, bytes.data(), bytes.size());
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 1u);
}

TEST(Md5Context, InitSetsStateAndFinalWipesEverything) {
    MD5Context context;
    std::memset(&context, 0x5a, sizeof context);
    MD5Init(context);
    EXPECT_EQ(context.state[0], 0x67452301u);
    EXPECT_EQ(context.state[1], 0xefcdab89u);
    EXPECT_EQ(context.state[2], 0x98badcfeu);
    EXPECT_EQ(context.state[3], 0x10325476u);
    EXPECT_EQ(context.count[0], 0u);
    EXPECT_EQ(context.count[1], 0u);
    for (uint8_t byte : context.buffer)
        ASSERT_EQ(byte, 0);

    MD5Update(context, "abc", 3);
    EXPECT_EQ(context.count[0], 24u);
    MD5Final(context);
    const auto* raw = reinterpret_cast<const uint8_t*>(&context);
    for (size_t i = 0; i < sizeof context; ++i)
        ASSERT_EQ(raw[i], 0) << "byte " << i;
}

TEST(Md5Print, LowerCaseHighNibbleFirst) {
    MD5Digest digest;
    for (size_t i = 0; i < digest.size(); ++i)
        digest[i] = static_cast<uint8_t>(i * 17 + 10);
    // 0x0a, 0x1b, 0x2c, ... 0xf8, 0x09: each byte written high nibble first
    EXPECT_EQ(MD5Print(digest), "0a1b2c3d4e5f708192a3b4c5d6e7f809");
    digest.fill(0xff);
    EXPECT_EQ(MD5Print(digest), "ffffffffffffffffffffffffffffffff");
    digest.fill(0);
    EXPECT_EQ(MD5Print(digest), "00000000000000000000000000000000");
}

}  // namespace
