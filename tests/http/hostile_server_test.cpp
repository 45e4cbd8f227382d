// The client against servers that stall, trickle, never end, fold or swell their headers and lie
// about their length: every request ends, within its limits and its memory bounds, and a
// download that did not arrive whole leaves no file. Limits are shortened so nothing waits long.
#include <gtest/gtest.h>

#include <QTimer>
#include <filesystem>
#include <functional>

#include "loopback_server.h"
#include "services/errors.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "test_support.h"

namespace {

struct HostileCase {
    const char* name;
    std::function<CannedReply()> reply;
    std::function<void(HttpLimits&)> limit;  // shortens what the case needs
    std::string textError = {};              // FetchText's failure; empty: success with textBody
    std::string textBody = {};
    bool fileKept = false;  // FetchToFile's result
};

void ShortWaits(HttpLimits& limits) {
    limits.IdleTimeLimitMs = 300;
    limits.RequestTimeLimitMs = 900;
}

std::vector<HostileCase> HostileCases() {
    const std::string body2000(2000, 'b');
    return {
        {"StallAfterAccept", StallReply, ShortWaits, "Read timed out."},
        // Never quiet for long, but never done either: the request's overall limit ends it.
        {"TrickleOneByteAtATime",
         [] {
             return TrickleReply("HTTP/1.1 200 OK\r\nX-Slow: " + std::string(500, 's') + "\r\n",
                                 20);
         },
         ShortWaits, "Read timed out."},
        {"CallerDeadline", StallReply,
         [](HttpLimits& limits) {
             limits.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
         },
         "Read timed out."},
        {"EndlessChunkedBody", [] { return EndlessChunkedReply(); },
         [](HttpLimits& limits) {
             limits.MaxTextBytes = 1 << 20;
             limits.MaxFileBytes = 1 << 20;
         },
         "The reply is too large."},
        {"EndlessUnframedBody", EndlessBodyReply,
         [](HttpLimits& limits) {
             limits.MaxTextBytes = 1 << 20;
             limits.MaxFileBytes = 1 << 20;
         },
         "The reply is too large."},
        // The error body is kept up to its bound (64 KiB, not shortened here), then the
        // connection goes: the endless rest is never read.
        {"EndlessErrorBody", [] { return EndlessChunkedReply(500); }, [](HttpLimits&) {},
         "HTTP/1.1 500 Internal Server Error"},
        {"FortyThousandFoldedLines", [] { return FoldedHeaderReply(40000); }, [](HttpLimits&) {},
         "", "ok", true},
        {"HeaderBlockNearItsBound", [] { return HugeHeaderReply(250 * 1024); }, [](HttpLimits&) {},
         "", "ok", true},
        {"HeaderBlockBeyondItsBound", [] { return HugeHeaderReply(300 * 1024); },
         [](HttpLimits&) {}, "The reply headers are too large."},
        // A text keeps what came (as it always has); a download of half a picture is no picture.
        {"LyingContentLength", [] { return LyingLengthReply(1000, 600); }, [](HttpLimits&) {}, "",
         std::string(600, 'l'), false},
        {"FileBeyondItsCap",
         [body2000] {
             return RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2000\r\n\r\n" + body2000);
         },
         [](HttpLimits& limits) { limits.MaxFileBytes = 1999; }, "", body2000, false},
    };
}

class HostileServer : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileServer, RequestEndsWithinItsBounds) {
    const HostileCase& c = GetParam();
    LoopbackServer server({c.reply(), c.reply()});
    HttpClient client;
    c.limit(client.Limits);
    try {
        std::string body = FetchText(client, server.url("/software/zor2_items.php"));
        EXPECT_EQ(c.textError, "") << "succeeded with " << body.size() << " bytes";
        EXPECT_TRUE(body == c.textBody) << body.size() << " bytes";
    } catch (const HttpStatusError& e) {
        EXPECT_EQ(c.textError, e.what());
        EXPECT_EQ(e.body().size(), client.Limits.MaxErrorBodyBytes);
    } catch (const ZorviaError& e) {
        EXPECT_EQ(c.textError, e.what());
    }
    EXPECT_FALSE(client.busy());

    TempDir dir;
    const std::string path = dir / "image/picture_250x250.jpg";
    HttpLimits limits;
    c.limit(limits);
    EXPECT_EQ(FetchToFile(server.url("/picture.jpg_250x250.jpg"), path, limits), c.fileKept);
    EXPECT_EQ(std::filesystem::exists(path), c.fileKept);
    EXPECT_FALSE(std::filesystem::exists(PartialFileName(path))) << "a half file was left";
}

INSTANTIATE_TEST_SUITE_P(Http, HostileServer, ::testing::ValuesIn(HostileCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(HostileData, ControlBytesInAnAddressNeverReachTheWire) {
    LoopbackServer server;
    server.setFallback(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok"));
    const std::string injected[] = {
        "/software/zor2_item.php?num_iid=1\r\nX-Injected: 1",
        "/software/zor2_item.php?num_iid=1 HTTP/1.1\r\nHost: x\r\n\r\nGET /second",
        "/pictures/a\n.jpg",
        "/pictures/a\t.jpg",
        "/pictures/a\x7f.jpg",
        std::string("/pictures/a\0.jpg", 16),
        "/pictures/a.jpg#\r\n",
    };
    TempDir dir;
    for (const std::string& target : injected) {
        HttpClient client;
        try {
            FetchText(client, server.url(target));
            ADD_FAILURE() << "requested " << target;
        } catch (const ZorviaError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "The address holds a control character, so it is not requested.");
        }
        EXPECT_FALSE(client.busy());
        EXPECT_FALSE(FetchToFile(server.url(target), dir / "p.jpg"));
        EXPECT_FALSE(std::filesystem::exists(dir / "p.jpg"));
    }
    EXPECT_EQ(server.connections(), 0);
    // Spaces and high bytes are no control bytes: they still go as they are.
    HttpClient client;
    EXPECT_EQ(FetchText(client, server.url("/a b/\xe5\x9b\xbe.jpg")), "ok");
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/a b/\xe5\x9b\xbe.jpg");
}

TEST(HostileData, CookiesWithControlBytesAreNotStored) {
    LoopbackServer server(
        {RawReply("HTTP/1.1 200 OK\r\nSet-Cookie: a=1\x01X-Injected: 1; path=/\r\n"
                  "Set-Cookie: b\x7f=2; path=/\r\nSet-Cookie: c=3\t3; path=/\r\n"
                  "Set-Cookie: d=4\x0b"
                  "4; path=/\r\nSet-Cookie: ok=5; path=/\r\n"
                  "Content-Length: 0\r\n\r\n"),
         RawReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")});
    HttpClient client;
    FetchText(client, server.url("/"));
    Disconnect(client);
    FetchText(client, server.url("/"));
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].header("Cookie"), "ok=5");
}

// A waiting request ends as soon as the program quits, instead of keeping the process alive.
TEST(HostileWaits, QuittingAbandonsTheWait) {
    LoopbackServer server({StallReply()});
    HttpClient client;
    AntiFreeze hook;
    const WhileBusy quit(client, [] { AntiFreeze::SetQuitting(true); });
    try {
        FetchText(client, server.url("/software/zor2_item.php?num_iid=1"));
        ADD_FAILURE() << "the request outlived the program";
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "The program is closing.");
    }
    AntiFreeze::SetQuitting(false);
    EXPECT_FALSE(client.busy());
}

// Ended while its body arrives, a request fails: the part that came is not the whole.
TEST(HostileWaits, DisconnectDuringTheBodyFailsTheRequest) {
    LoopbackServer server(
        {HeldOpenAfter(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nhalf."), 5000)});
    server.setFallback(HeldOpenAfter(RawReply("HTTP/1.1 200 OK\r\n\r\nhalf."), 5000));
    for (int round = 0; round < 2; ++round) {  // length-framed, then unframed
        HttpClient client;
        AntiFreeze hook;
        const WhileBusy disconnect(client, [&] { Disconnect(client); });
        try {
            std::string body = FetchText(client, server.url("/software/zor2_items.php"));
            ADD_FAILURE() << "a cut body passed for a whole one: " << body;
        } catch (const ZorviaError& e) {
            EXPECT_EQ(std::string(e.what()), "Connection Closed Gracefully.");
        }
        EXPECT_FALSE(client.busy());
    }
}

}  // namespace
