// FetchText and FetchToFile against scripted loopback peers: the exact request bytes, every reply
// shape that matters, and what is left behind after a failure.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "loopback_server.h"
#include "services/errors.h"
#include "services/http/cookie_jar.h"
#include "services/http/http_client.h"
#include "test_support.h"

namespace {

const std::string kAgentLines =
    "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n";

// ---------------------------------------------------------------------------------------------
// Request bytes

struct RequestCase {
    const char* name;
    bool viaProxy;    // the scripted server plays the proxy
    std::string url;  // "{port}" stands for the server's port
    std::string expected;
};

std::string WithPort(std::string text, int port) {
    const std::string mark = "{port}";
    for (std::size_t at; (at = text.find(mark)) != std::string::npos;)
        text.replace(at, mark.size(), std::to_string(port));
    return text;
}

std::vector<RequestCase> RequestCases() {
    return {
        {"Direct", false, "http://127.0.0.1:{port}/software/zor2_items.php",
         "GET /software/zor2_items.php HTTP/1.1\r\nContent-Type: text/html\r\nHost: "
         "127.0.0.1:{port}\r\n" +
             kAgentLines + "\r\n"},
        {"NoPathAsksForRoot", false, "http://127.0.0.1:{port}",
         "GET / HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:{port}\r\n" + kAgentLines +
             "\r\n"},
        {"QueryWithoutPath", false, "http://127.0.0.1:{port}?a=1",
         "GET /?a=1 HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:{port}\r\n" +
             kAgentLines + "\r\n"},
        {"SpacesHighBytesAndFragment", false,
         "http://127.0.0.1:{port}/a b/\xe5\x9b\xbe\xe7\x89\x87%20.jpg?q=x y&n=\xff#part two",
         "GET /a b/\xe5\x9b\xbe\xe7\x89\x87%20.jpg?q=x y&n=\xff HTTP/1.1\r\nContent-Type: "
         "text/html\r\n"
         "Host: 127.0.0.1:{port}\r\n" +
             kAgentLines + "\r\n"},
        {"BackslashesAndUserInfo", false, "HTTP:\\\\user:p@ss@127.0.0.1:{port}\\img\\a.jpg",
         "GET /img/a.jpg HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:{port}\r\n" +
             kAgentLines + "\r\n"},
        {"LocalhostInAnyCase", false, "http://LocalHost:{port}/v",
         "GET /v HTTP/1.1\r\nContent-Type: text/html\r\nHost: LocalHost:{port}\r\n" + kAgentLines +
             "\r\n"},
        {"ProxyWritesPort80", true, "http://deals.example/software/zor_version.php",
         "GET http://deals.example:80/software/zor_version.php HTTP/1.1\r\nContent-Type: "
         "text/html\r\n"
         "Host: deals.example\r\n" +
             kAgentLines + "\r\n"},
        {"ProxyExplicit80", true, "http://deals.example:80/x",
         "GET http://deals.example:80/x HTTP/1.1\r\nContent-Type: text/html\r\nHost: "
         "deals.example\r\n" +
             kAgentLines + "\r\n"},
        {"ProxyPort8080", true, "http://deals.example:8080/x?y=1#z",
         "GET http://deals.example:8080/x?y=1 HTTP/1.1\r\nContent-Type: text/html\r\n"
         "Host: deals.example:8080\r\n" +
             kAgentLines + "\r\n"},
        {"ProxyKeepsSchemeAsWritten", true, "Http://deals.example",
         "GET Http://deals.example:80/ HTTP/1.1\r\nContent-Type: text/html\r\nHost: "
         "deals.example\r\n" +
             kAgentLines + "\r\n"},
    };
}

class RequestBytes : public ::testing::TestWithParam<RequestCase> {};

TEST_P(RequestBytes, SentAsOneExactBlock) {
    const RequestCase& c = GetParam();
    LoopbackServer server({RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    HttpClient client;
    if (c.viaProxy) {
        client.ProxyParams_.ProxyServer = "127.0.0.1";
        client.ProxyParams_.ProxyPort = server.port();
    }
    EXPECT_EQ(FetchText(client, WithPort(c.url, server.port())), "ok");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].raw, WithPort(c.expected, server.port()));
}

INSTANTIATE_TEST_SUITE_P(Fetch, RequestBytes, ::testing::ValuesIn(RequestCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Replies

struct ReplyCase {
    ReplyCase(const char* name_, std::string reply_, std::string body_, std::string error_ = "",
              int code_ = 0, std::string errorBody_ = "")
        : name(name_),
          reply(std::move(reply_)),
          body(std::move(body_)),
          error(std::move(error_)),
          code(code_),
          errorBody(std::move(errorBody_)) {}
    const char* name;
    std::string reply;
    std::string body;   // on success
    std::string error;  // the failure's message; empty: success
    int code = 0;       // a status failure's code; 0: not a status failure
    std::string errorBody;
};

std::string Padded(std::size_t bytes, const char* end) {
    std::string line = "X-Filler: ";
    line.append(bytes - line.size(), 'f');
    return line + end;
}

std::vector<ReplyCase> ReplyCases() {
    const std::string sixHundred(600, 'b');
    return {
        {"LengthExact", "HTTP/1.1 200 OK\r\nContent-Length: 7\r\n\r\n3.0.0.0", "3.0.0.0"},
        {"LengthWithLineEnd", "HTTP/1.1 200 OK\r\nContent-Length: 9\r\n\r\n3.0.0.0\r\n",
         "3.0.0.0\r\n"},
        {"LengthShort", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + sixHundred, sixHundred},
        {"LengthHugeButShort", "HTTP/1.1 200 OK\r\nContent-Length: 1099511627776\r\n\r\nsmall",
         "small"},
        {"LengthZero", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n", ""},
        {"CloseDelimited", "HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n<deals/>\n",
         "<deals/>\n"},
        {"Chunked",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n4\r\n3.0.\r\n3\r\n0.0\r\n0\r\n\r\n",
         "3.0.0.0"},
        {"ChunkedCapitalStaysFramed",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
         "3\r\nabc\r\n0\r\n\r\n"},
        {"ChunkExtensionEndsBody",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;name=value\r\nabc\r\n0\r\n\r\n",
         ""},
        {"NoContent", "HTTP/1.1 204 No Content\r\n\r\n", ""},
        {"ContinueSkipped",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n42", "42"},
        {"Moved301",
         "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/\r\nContent-Length: "
         "5\r\n\r\nmoved",
         "", "HTTP/1.1 301 Moved Permanently", 301, "moved"},
        {"Found302", "HTTP/1.1 302 Found\r\nLocation: /elsewhere\r\n\r\n", "", "HTTP/1.1 302 Found",
         302, ""},
        {"NotModified304", "HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", "",
         "HTTP/1.1 304 Not Modified", 304, ""},
        {"OkWithLocation", "HTTP/1.1 200 OK\r\nLocation: /login\r\nContent-Length: 3\r\n\r\nabc",
         "", "HTTP/1.1 200 OK", 200, "abc"},
        {"Unauthorized401",
         "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: "
         "6\r\n\r\nsignin",
         "", "HTTP/1.1 401 Unauthorized", 401, "signin"},
        {"NotFound404", "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nno such x", "",
         "HTTP/1.1 404 Not Found", 404, "no such x"},
        {"ServerError500", "HTTP/1.1 500 Internal Server Error\r\n\r\n<h1>broken</h1>", "",
         "HTTP/1.1 500 Internal Server Error", 500, "<h1>broken</h1>"},
        {"StatusWithoutNumber", "HTTP/1.1\r\nContent-Length: 2\r\n\r\nhm", "", "HTTP/1.1", -1,
         "hm"},
        {"StatusNotANumber", "HTTP/1.1 OK\r\nContent-Length: 0\r\n\r\n", "", "HTTP/1.1 OK", -1, ""},
        {"HeaderLine16383CrLf",
         "HTTP/1.1 200 OK\r\n" + Padded(16383, "\r\n") + "Content-Length: 2\r\n\r\nok", "ok"},
        {"HeaderLine16384CrLf",
         "HTTP/1.1 200 OK\r\n" + Padded(16384, "\r\n") + "Content-Length: 2\r\n\r\nok", "",
         "Max line length exceeded."},
        {"HeaderLine16384Lf",
         "HTTP/1.1 200 OK\r\n" + Padded(16384, "\n") + "Content-Length: 2\r\n\r\nok", "ok"},
        {"ClosedBeforeStatusLine", "", "", "Connection Closed Gracefully."},
        {"ClosedInsideStatusLine", "HTTP/1.1 200 O", "", "Connection Closed Gracefully."},
        {"ClosedRightAfterHeaders", "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n", "",
         "Undefined situation"},
        {"ClosedRightAfterErrorHeaders", "HTTP/1.1 404 Not Found\r\nContent-Length: 5\r\n", "",
         "HTTP/1.1 404 Not Found", 404, ""},
    };
}

class Replies : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(Replies, GiveBodyOrTheirFailure) {
    const ReplyCase& c = GetParam();
    LoopbackServer server({RawReply(c.reply)});
    HttpClient client;
    try {
        std::string body = FetchText(client, server.url("/software/zor_version.php"));
        EXPECT_TRUE(c.error.empty()) << "succeeded with " << body.size() << " bytes";
        EXPECT_TRUE(body == c.body) << "body of " << body.size() << " bytes";
    } catch (const HttpStatusError& e) {
        EXPECT_EQ(c.code, e.code()) << e.what();
        EXPECT_EQ(c.error, e.what());
        EXPECT_EQ(c.errorBody, e.body());
    } catch (const ZorviaError& e) {
        EXPECT_EQ(c.code, 0) << "expected a status failure, got " << e.what();
        EXPECT_EQ(c.error, e.what());
    }
    EXPECT_FALSE(client.busy());
}

INSTANTIATE_TEST_SUITE_P(Fetch, Replies, ::testing::ValuesIn(ReplyCases()),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Failures without a reply

TEST(FetchFailure, RefusedConnectionIsASocketError) {
    RefusingPort refusing;
    HttpClient client;
    try {
        FetchText(client, "http://127.0.0.1:" + std::to_string(refusing.port()) + "/");
        ADD_FAILURE() << "connected to a port nobody listens on";
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "Socket Error # " + std::to_string(ECONNREFUSED) + "\n" +
                                             std::strerror(ECONNREFUSED));
    }
    EXPECT_FALSE(client.busy());
}

TEST(FetchFailure, SchemesWithoutTransportNeverConnect) {
    struct {
        const char* scheme;
        bool viaProxy;
        const char* message;
    } cases[] = {
        {"https", false, "IOHandler value is not valid"},
        {"HTTPS", false, "IOHandler value is not valid"},
        {"https", true, "IOHandler value is not valid"},
        {"ftp", false, "Protocol \"ftp\" is not supported."},
    };
    for (const auto& c : cases) {
        LoopbackServer server({RawReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")});
        HttpClient client;
        if (c.viaProxy) {
            client.ProxyParams_.ProxyServer = "127.0.0.1";
            client.ProxyParams_.ProxyPort = server.port();
        }
        std::string url =
            std::string(c.scheme) + "://127.0.0.1:" + std::to_string(server.port()) + "/";
        try {
            FetchText(client, url);
            ADD_FAILURE() << url;
        } catch (const ZorviaError& e) {
            EXPECT_EQ(std::string(e.what()), c.message) << url;
        }
        EXPECT_EQ(server.connections(), 0) << url;
    }
}

TEST(FetchFailure, ErrorBodyWaitIsLimited) {
    // The body of a failed reply never comes in full and the server keeps the line open.
    LoopbackServer server({HeldOpenAfter(
        RawReply("HTTP/1.1 404 Not Found\r\nContent-Length: 100\r\n\r\npartial"), 3000)});
    HttpClient client;
    client.Limits.ErrorBodyWaitMs = 300;
    try {
        FetchText(client, server.url("/"));
        ADD_FAILURE();
    } catch (const HttpStatusError& e) {
        ADD_FAILURE() << e.what();
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "Read Timeout");
    }
}

// ---------------------------------------------------------------------------------------------
// Connections and the client's state across requests

TEST(ClientState, KeptConnectionCarriesTheNextRequest) {
    // The server keeps its end open throughout, so only the client's own rule decides.
    LoopbackServer server(
        {KeptOpen(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\none")),
         KeptOpen(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\ntwo")),
         KeptOpen(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nthree")),
         KeptOpen(RawReply("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfour"))});
    HttpClient client;
    EXPECT_EQ(FetchText(client, server.url("/1")), "one");
    EXPECT_EQ(FetchText(client, server.url("/2")), "two");
    EXPECT_EQ(FetchText(client, server.url("/3")), "three");
    Disconnect(client);
    EXPECT_EQ(FetchText(client, server.url("/4")), "four");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].connection, 0);
    EXPECT_EQ(requests[1].connection, 0);
    EXPECT_EQ(requests[2].connection, 1) << "\"Connection: close\" ends the connection";
    EXPECT_EQ(requests[3].connection, 2) << "Disconnect ends the connection";
}

TEST(ClientState, DisconnectGivesEveryRequestAFreshConnection) {
    LoopbackServer server({RawReply("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\na"),
                           RawReply("HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nb")});
    HttpClient client;
    Disconnect(client);  // harmless without a connection
    EXPECT_EQ(FetchText(client, server.url("/")), "a");
    Disconnect(client);
    EXPECT_EQ(FetchText(client, server.url("/")), "b");
    Disconnect(client);
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1].connection, 1);
}

TEST(ClientState, UsableAfterAFailure) {
    LoopbackServer server({RawReply("HTTP/1.1 500 Oops\r\nContent-Length: 0\r\n\r\n"),
                           RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    HttpClient client;
    EXPECT_THROW(FetchText(client, server.url("/")), HttpStatusError);
    EXPECT_FALSE(client.busy());
    EXPECT_EQ(FetchText(client, server.url("/")), "ok");
}

TEST(ClientState, CookiesTravelWithTheirClientOnly) {
    LoopbackServer server({
        RawReply(
            "HTTP/1.1 200 OK\r\nSet-Cookie: sid=feed42; path=/software/\r\nSet-Cookie: lang=zh\r\n"
            "Content-Length: 6\r\n\r\n<feed>"),
        RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n17"),
        RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\n18"),
        RawReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\njpg"),
        RawReply("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nimg"),
    });
    TempDir dir;
    HttpClient main;
    EXPECT_EQ(FetchText(main, server.url("/software/zor2_items.php")), "<feed>");
    Disconnect(main);
    EXPECT_EQ(FetchText(main, server.url("/software/zor2_item.php?num_iid=1001")), "17");
    Disconnect(main);
    HttpClient other;
    EXPECT_EQ(FetchText(other, server.url("/software/zor2_item.php?num_iid=1001")), "18");
    EXPECT_TRUE(FetchToFile(server.url("/software/pic.jpg"), dir / "pic.jpg"));
    EXPECT_EQ(FetchText(main, server.url("/pictures/a.jpg")), "img");

    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].raw.find("Cookie:"), std::string::npos);
    EXPECT_NE(requests[1].raw.find("\r\nCookie: sid=feed42; lang=zh\r\n\r\n"), std::string::npos)
        << requests[1].raw;
    EXPECT_EQ(requests[2].raw.find("Cookie:"), std::string::npos) << "another client";
    EXPECT_EQ(requests[3].raw.find("Cookie:"), std::string::npos) << "a download's own client";
    EXPECT_EQ(requests[4].raw.find("Cookie:"), std::string::npos) << "outside the cookies' folder";
    EXPECT_EQ(main.cookies().cookies().size(), 2u);
}

TEST(ClientState, CookiesOfAFailedReplyAreKept) {
    LoopbackServer server(
        {RawReply(
             "HTTP/1.1 403 Forbidden\r\nSet-Cookie: seen=1; path=/\r\nContent-Length: 0\r\n\r\n"),
         RawReply("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n")});
    HttpClient client;
    EXPECT_THROW(FetchText(client, server.url("/a")), HttpStatusError);
    EXPECT_EQ(FetchText(client, server.url("/b")), "");
    auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_NE(requests[1].raw.find("\r\nCookie: seen=1\r\n"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// FetchToFile

TEST(FetchToFile, CreatesFoldersAndKeepsTheBody) {
    const std::string binary =
        std::string("\x00\xff\r\n\x1a\x80 jpeg", 12) + std::string(70000, '\x7f');
    struct {
        const char* name;
        std::string reply;
        std::string content;
    } cases[] = {
        {"length",
         "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(binary.size()) + "\r\n\r\n" +
             binary,
         binary},
        {"close", "HTTP/1.1 200 OK\r\n\r\n" + binary, binary},
        {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nab\ncd\r\n0\r\n\r\n",
         "ab\ncd"},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", ""},
    };
    for (const auto& c : cases) {
        TempDir dir;
        LoopbackServer server({RawReply(c.reply)});
        std::string path = dir / "image/ab/cd/picture_250x250.jpg";
        EXPECT_TRUE(FetchToFile(server.url("/p.jpg"), path)) << c.name;
        EXPECT_TRUE(ReadWholeFile(path) == c.content) << c.name;
        EXPECT_EQ(std::filesystem::file_size(path), c.content.size()) << c.name;
    }
}

TEST(FetchToFile, FailureLeavesNoFile) {
    struct {
        const char* name;
        std::string reply;
    } cases[] = {
        {"not found", "HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\nnope"},
        {"redirect", "HTTP/1.1 302 Found\r\nLocation: /x\r\nContent-Length: 0\r\n\r\n"},
        {"closed", ""},
        {"cut chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n100\r\nonly part"},
        // Half a picture is no picture, whatever FetchText makes of the same reply.
        {"short", "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n" + std::string(600, 's')},
        {"huge announced", "HTTP/1.1 200 OK\r\nContent-Length: 1099511627776\r\n\r\ntiny"},
    };
    for (const auto& c : cases) {
        TempDir dir;
        LoopbackServer server({RawReply(c.reply), RawReply(c.reply)});
        std::string path = dir / "cache/file.jpg";
        WriteWholeFile(dir / "existing.jpg", "old");
        EXPECT_FALSE(FetchToFile(server.url("/p.jpg"), path)) << c.name;
        EXPECT_FALSE(std::filesystem::exists(path)) << c.name;
        // An earlier file of that name goes too: it was emptied when the download began.
        EXPECT_FALSE(FetchToFile(server.url("/p.jpg"), dir / "existing.jpg")) << c.name;
        EXPECT_FALSE(std::filesystem::exists(dir / "existing.jpg")) << c.name;
    }
    TempDir dir;
    RefusingPort refusing;
    EXPECT_FALSE(
        FetchToFile("http://127.0.0.1:" + std::to_string(refusing.port()) + "/x", dir / "x.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.jpg"));
}

TEST(FetchToFile, UncreatableFileRaisesAndDeletesNothing) {
    TempDir dir;
    WriteWholeFile(dir / "plain", "a file, not a folder");
    std::filesystem::create_directories(dir / "folder");
    LoopbackServer server({RawReply("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok")});
    for (std::string path : {dir / "plain/inside.jpg", dir / "folder"}) {
        EXPECT_THROW(FetchToFile(server.url("/p.jpg"), path), ZorviaError) << path;
    }
    EXPECT_EQ(ReadWholeFile(dir / "plain"), "a file, not a folder");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
    EXPECT_EQ(server.connections(), 0);
}

}  // namespace
