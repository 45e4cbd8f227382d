// The version request against a loopback service: what is sent, and what each reply yields.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>

#include "deals/marketplace_pages.h"
#include "deals/vendor_service.h"
#include "test_service.h"

namespace {

std::string ok(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\n\r\n" + body;
}

struct ReplyCase {
    const char* name;
    std::string reply;
    std::string version;
};

class VersionReplyTest : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(VersionReplyTest, YieldsTheTextOrTheFallback) {
    TestService().setFallback(RawReply(GetParam().reply));
    EXPECT_EQ(FetchServiceVersion(), GetParam().version);
}

INSTANTIATE_TEST_SUITE_P(
    Replies, VersionReplyTest,
    ::testing::Values(
        ReplyCase{"Same", ok("3.0.0.0"), "3.0.0.0"}, ReplyCase{"Newer", ok("3.1"), "3.1"},
        ReplyCase{"SevenBytesIsStillAVersion", ok("9.9.9.9"), "9.9.9.9"},
        ReplyCase{"EmptyBodyIsKept", ok(""), ""},
        ReplyCase{"EightBytesIsReplaced", ok("10.0.0.0"), "3.0.0.0"},
        ReplyCase{"LineEndIsNotTrimmedSoItIsTooLong", ok("3.0.0.0\r\n"), "3.0.0.0"},
        ReplyCase{"ShortTextWithLineEndIsKept", ok("4\r\n"), "4\r\n"},
        ReplyCase{"ErrorStatus", "HTTP/1.1 404 Not Found\r\nContent-Length: 1\r\n\r\n4", "3.0.0.0"},
        ReplyCase{"ServerError", "HTTP/1.1 500 Oops\r\nContent-Length: 3\r\n\r\n4.0", "3.0.0.0"},
        ReplyCase{"RedirectIsNotFollowed",
                  "HTTP/1.1 302 Found\r\nLocation: /v2\r\nContent-Length: 1\r\n\r\n5", "3.0.0.0"},
        ReplyCase{"ClosedWithoutReply", "", "3.0.0.0"},
        ReplyCase{"GarbageStatusLine", "hello\r\n\r\n", "3.0.0.0"},
        ReplyCase{"BodyUntilClose", "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n3.2", "3.2"}),
    [](const ::testing::TestParamInfo<ReplyCase>& info) { return std::string(info.param.name); });

// Whatever the service sends, the version request reads a kilobyte at most and ends with the
// same outcome as any reply that is too long: the program's own version, a normal start.
TEST(VersionRequest, HostileRepliesEndAsTooLong) {
    struct {
        const char* name;
        CannedReply reply;
    } cases[] = {
        {"endless chunked body", EndlessChunkedReply()},
        {"endless body until close", EndlessBodyReply()},
        {"longer than a kilobyte", RawReply(ok(std::string(kLongestVersionReply + 1, '9')))},
        {"header block beyond its bound", HugeHeaderReply(300 * 1024)},
        {"endless error body", EndlessChunkedReply(500)},
    };
    for (const auto& c : cases) {
        TestService().setFallback(c.reply);
        EXPECT_EQ(FetchServiceVersion(), "3.0.0.0") << c.name;
    }

    // The client lets go after its kilobyte: the server gets rid of little more than what the
    // connection's buffers hold, nowhere near the 64 MiB any other text may have.
    auto sent = std::make_shared<std::atomic<size_t>>(0);
    CannedReply endless = EndlessBodyReply();
    endless.endless = [sent, block = std::string(0x4000, 'e')] {
        *sent += block.size();
        return block;
    };
    TestService().setFallback(endless);
    EXPECT_EQ(FetchServiceVersion(), "3.0.0.0");
    EXPECT_LT(sent->load(), size_t{32} << 20);
}

TEST(VersionRequest, IsOnePlainGetWithTheClientHeaders) {
    TestService().clearRequests();
    TestService().setFallback(RawReply(ok("3.0.0.0")));
    ASSERT_EQ(FetchServiceVersion(), "3.0.0.0");
    const auto requests = TestService().requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw,
              "GET /software/zor_version.php HTTP/1.1\r\n"
              "Content-Type: text/html\r\n"
              "Host: 127.0.0.1:" +
                  std::to_string(TestService().port()) +
                  "\r\n"
                  "Accept: text/html, */*\r\n"
                  "User-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n"
                  "\r\n");
}

TEST(VendorService, AddressesComeFromTheEnvironmentAtStart) {
    const std::string base = "http://127.0.0.1:" + std::to_string(TestService().port());
    EXPECT_EQ(ServiceBaseUrl(), base);
    EXPECT_EQ(MarketplaceItemPageUrl(), base + "/market/item");
    EXPECT_EQ(MarketplaceShopPageUrl(), base + "/market/shop");
    EXPECT_EQ(MarketplaceChatPageUrl(), base + "/market/chat");
    EXPECT_STREQ(kVersionPath, "/software/zor_version.php");
    EXPECT_STREQ(kDealFeedPath, "/software/zor2_items.php");
    EXPECT_STREQ(kSalesCountPath, "/software/zor2_item.php?num_iid=");
}

TEST(VersionRequest, UnreachableServiceGivesTheProgramsOwnVersion) {
    TestService().setFallback(RawReply(ok("3.1")));
    TestService().stopListening();
    EXPECT_EQ(FetchServiceVersion(), "3.0.0.0");
    ASSERT_TRUE(TestService().resumeListening());
    EXPECT_EQ(FetchServiceVersion(), "3.1") << "the same service, back again";
}

}  // namespace
