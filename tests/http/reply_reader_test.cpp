// The reply reader on exact bytes: framing, header reading, line limits and the decision
// whether the connection may carry another request, each reply also fed in small pieces.
#include <gtest/gtest.h>

#include "services/errors.h"
#include "services/http/byte_stream.h"
#include "services/http/http_client.h"
#include "services/http/reply_reader.h"

namespace {

struct ReaderCase {
    ReaderCase(const char* name_, std::string bytes_, std::string body_, std::string error_ = "",
               int keepOpen_ = -1)
        : name(name_),
          bytes(std::move(bytes_)),
          body(std::move(body_)),
          error(std::move(error_)),
          keepOpen(keepOpen_) {}
    const char* name;
    std::string bytes;
    std::string body;   // on success
    std::string error;  // empty: success expected
    // On success: 1 or 0 for whether the connection may carry another request; -1 where bytes
    // follow the body, which a reader can only notice when they arrive together with it.
    int keepOpen = -1;
};

std::string Line(std::size_t bytes, const char* end) {
    std::string text = "X-Pad: ";
    text.append(bytes - text.size(), 'p');
    return text + end;
}

std::vector<ReaderCase> ReaderCases() {
    return {
        {"LengthFramedKeepsConnection", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", "abc",
         "", true},
        {"ConnectionCloseInAnyCase",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection:  CLOSE \r\n\r\nabc", "abc", "",
         false},
        {"ProxyConnectionClose",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nProxy-Connection: close\r\n\r\nabc", "abc", "",
         false},
        {"ConnectionKeepAliveValue",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: keep-alive\r\n\r\nabc", "abc", "",
         true},
        {"BytesBeyondTheBodyStayUnread", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabcdef",
         "abc", "", -1},
        {"CloseDelimitedNeverKept", "HTTP/1.1 200 OK\r\n\r\nuntil the end", "until the end", "",
         false},
        {"NamesIgnoreCaseValuesTrimmed",
         "HTTP/1.1 200 OK\r\ncOnTeNt-LeNgTh: \t 4 \t\r\n\r\nabcdefg", "abcd", "", -1},
        {"FoldedHeaderJoinsWithOneSpace",
         "HTTP/1.1 200 OK\r\nContent-Length:\r\n \t 5\r\n\r\nabcdefg", "abcde", "", -1},
        {"FoldedLineBeforeAnyHeaderIgnored", "HTTP/1.1 200 OK\r\n  Content-Length: 1\r\n\r\nabc",
         "abc", "", false},
        {"FirstOfTwoLengthsCounts",
         "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nContent-Length: 4\r\n\r\nabcd", "ab", "", -1},
        {"BareLineEnds", "HTTP/1.1 200 OK\nContent-Length: 2\n\nok", "ok", "", true},
        {"NegativeLengthReadsToClose", "HTTP/1.1 200 OK\r\nContent-Length: -4\r\n\r\nabcdef",
         "abcdef", "", false},
        {"LengthTooBigForAnyNumberReadsToClose",
         "HTTP/1.1 200 OK\r\nContent-Length: 99999999999999999999999\r\n\r\nxyz", "xyz", "", false},
        {"LengthZeroIgnoresWhatFollows", "HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\nxyz", "", "",
         -1},
        // Two framings at once: chunked is what HTTP/1.1 reads, and since a reader going by the
        // length would see another reply, the connection is never used again.
        {"ChunkedBeatsLengthAndEndsConnection",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nTransfer-Encoding: "
         "chunked\r\n\r\n3\r\nabc\r\n0\r\n\r\n",
         "abc", "", false},
        {"LengthWithOtherCodingEndsConnection",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: Chunked\r\nContent-Length: 3\r\n\r\nabc", "abc", "",
         false},
        {"ChunkedInsideAList",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n", "ok",
         "", true},
        {"ChunkSizesInBothCases",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: "
         "chunked\r\n\r\na\r\n0123456789\r\nB\r\nabcdefghijk\r\n0\r\n\r\n",
         "0123456789abcdefghijk", "", true},
        {"ChunkSizeStopsAtSpace",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3 ext\r\nabc\r\n0\r\n\r\n", "abc",
         "", true},
        {"ChunkExtensionCountsAsEnd",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3;x=y\r\nabc\r\n0\r\n\r\n", "", "",
         false},
        {"ChunkedWithoutFinalLineKeepsBody",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n0\r\n", "abc", "",
         false},
        {"ChunkedCutInsideAChunkFails",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nabc", "",
         "Connection Closed Gracefully."},
        {"ChunkedCutBeforeNextSizeFails",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", "",
         "Connection Closed Gracefully."},
        {"TwoContinueRepliesSkipped",
         "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 100 Continue\r\nX: y\r\n\r\nHTTP/1.1 200 "
         "OK\r\nContent-Length: 1\r\n\r\nz",
         "z", "", true},
        {"ContinueThenNothing", "HTTP/1.1 100 Continue\r\n\r\n", "",
         "Connection Closed Gracefully."},
        {"EmptyStream", "", "", "Connection Closed Gracefully."},
        {"StatusLineWithoutEnd", "HTTP/1.1 200 OK", "", "Connection Closed Gracefully."},
        {"HeadersCutOffMidLine", "HTTP/1.1 200 OK\r\nContent-Le", "", "Undefined situation"},
        {"NoContentIgnoresBody", "HTTP/1.1 204 No Content\r\nContent-Length: 3\r\n\r\n", "", "",
         true},
        {"StatusLineAtLimit",
         "HTTP/1.1 200 " + std::string(16384 - 13, 'k') + "\nContent-Length: 1\r\n\r\n!", "!", "",
         true},
        {"StatusLineOverLimit", "HTTP/1.1 200 " + std::string(16384 - 13, 'k') + "\r\n\r\n", "",
         "Max line length exceeded."},
        {"HeaderLineAtLimitWithCrLf",
         "HTTP/1.1 200 OK\r\n" + Line(16383, "\r\n") + "Content-Length: 1\r\n\r\n!", "!", "", true},
        {"HeaderLineOverLimitWithCrLf", "HTTP/1.1 200 OK\r\n" + Line(16384, "\r\n") + "\r\n", "",
         "Max line length exceeded."},
        {"HeaderLineAtLimitWithBareLf",
         "HTTP/1.1 200 OK\r\n" + Line(16384, "\n") + "Content-Length: 1\r\n\r\n!", "!", "", true},
        {"EndlessHeaderLine", "HTTP/1.1 200 OK\r\nX: " + std::string(100000, 'e'), "",
         "Max line length exceeded."},
        {"ChunkSizeLineOverLimit",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + std::string(16385, '0') + "\r\n",
         "", "Max line length exceeded."},
    };
}

class ReplyReaderCases : public ::testing::TestWithParam<std::tuple<ReaderCase, std::size_t>> {};

TEST_P(ReplyReaderCases, ReadsAsFramed) {
    const auto& [c, piece] = GetParam();
    MemoryStream stream(c.bytes, piece);
    ReplyReader reader(stream);
    std::string body;
    StringSink sink(body);
    if (c.error.empty()) {
        ReplyOutcome outcome = ReadReply(reader, sink, nullptr);
        EXPECT_EQ(body, c.body);
        if (c.keepOpen >= 0) {
            EXPECT_EQ(outcome.keepOpen, c.keepOpen == 1);
        }
    } else {
        try {
            ReadReply(reader, sink, nullptr);
            ADD_FAILURE() << "no failure, body " << body;
        } catch (const HttpStatusError& e) {
            ADD_FAILURE() << "status failure " << e.what();
        } catch (const ZorviaError& e) {
            EXPECT_EQ(std::string(e.what()), c.error);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Framing, ReplyReaderCases,
                         ::testing::Combine(::testing::ValuesIn(ReaderCases()),
                                            ::testing::Values(0u, 1u, 7u)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_piece" +
                                    std::to_string(std::get<1>(info.param));
                         });

TEST(StatusCode, ReadsTheSecondToken) {
    struct {
        const char* line;
        int code;
    } cases[] = {
        {"HTTP/1.1 200 OK", 200},
        {"HTTP/1.1    404   Not Found", 404},
        {"HTTP/1.0 302", 302},
        {"HTTP/1.1 0200 OK", 200},
        {"HTTP/1.1", -1},
        {"HTTP/1.1 ", -1},
        {"HTTP/1.1 OK 200", -1},
        {"HTTP/1.1 2OO OK", -1},
        {"HTTP/1.1 +200 OK", -1},
        {"HTTP/1.1 99999999999 x", -1},
        {"", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StatusCodeOf(c.line), c.code) << c.line;
}

TEST(StatusFailure, CarriesLineCodeAndBody) {
    struct {
        const char* reply;
        const char* line;
        int code;
        const char* body;
    } cases[] = {
        {"HTTP/1.1 404 Not Found\r\nContent-Length: 4\r\n\r\ngone", "HTTP/1.1 404 Not Found", 404,
         "gone"},
        {"HTTP/1.1 302 Found\r\nLocation: /x\r\n\r\nmoved", "HTTP/1.1 302 Found", 302, "moved"},
        {"HTTP/1.1 200 OK\r\nLocation: /elsewhere\r\nContent-Length: 2\r\n\r\nhi",
         "HTTP/1.1 200 OK", 200, "hi"},
        {"HTTP/1.1 304 Not Modified\r\nContent-Length: 0\r\n\r\n", "HTTP/1.1 304 Not Modified", 304,
         ""},
        {"HTTP/1.1 500 Oops\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nbad\r\n0\r\n\r\n",
         "HTTP/1.1 500 Oops", 500, "bad"},
        {"garbage\r\n\r\nbody", "garbage", -1, "body"},
        // Cut short, an error reply is still the error it said it was, with what came of it.
        {"HTTP/1.1 502 Bad Gateway\r\nTransfer-Encoding: chunked\r\n\r\n10\r\npartial",
         "HTTP/1.1 502 Bad Gateway", 502, "partial"},
        {"HTTP/1.1 503 Busy\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n", "HTTP/1.1 503 Busy",
         503, "abc"},
        {"HTTP/1.1 404 Not Found\r\nX: cut", "HTTP/1.1 404 Not Found", 404, ""},
    };
    for (const auto& c : cases) {
        MemoryStream stream(c.reply, 3);
        ReplyReader reader(stream);
        std::string body;
        StringSink sink(body);
        try {
            ReadReply(reader, sink, nullptr);
            ADD_FAILURE() << c.reply;
        } catch (const HttpStatusError& e) {
            EXPECT_EQ(std::string(e.what()), c.line);
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.body(), c.body);
        }
        EXPECT_EQ(body, "") << "a failed reply's body never reaches the destination";
    }
}

TEST(Cookies, HandedOverWhateverTheStatus) {
    MemoryStream stream(
        "HTTP/1.1 404 Not Found\r\nSet-Cookie: a=1\r\nset-cookie2: b=2\r\nSET-COOKIE: c=3\r\n"
        "Set-Cookie-Other: d=4\r\nContent-Length: 0\r\n\r\n");
    ReplyReader reader(stream);
    std::string body;
    StringSink sink(body);
    std::vector<std::string> seen;
    EXPECT_THROW(ReadReply(reader, sink, [&](const std::string& v) { seen.push_back(v); }),
                 HttpStatusError);
    EXPECT_EQ(seen, (std::vector<std::string>{"a=1", "b=2", "c=3"}));
}

// Records what the reader asks the destination to reserve.
class ReserveRecorder : public BodySink {
public:
    void Reserve(std::size_t bytes) override { reserved = bytes; }
    void Append(const char* data, std::size_t len) override { body.append(data, len); }
    std::size_t reserved = 0;
    std::string body;
};

TEST(AnnouncedLength, NeverReservedBeyondTheBound) {
    struct {
        const char* length;
        std::size_t reserved;
    } cases[] = {
        {"5", 5},
        {"1048576", 1048576},
        {"1048577", 1048576},
        {"1099511627776", 1048576},
        {"18446744073709551615", 1048576},
    };
    for (const auto& c : cases) {
        MemoryStream stream(std::string("HTTP/1.1 200 OK\r\nContent-Length: ") + c.length +
                            "\r\n\r\nshort");
        ReplyReader reader(stream);
        ReserveRecorder sink;
        ReadReply(reader, sink, nullptr);
        EXPECT_EQ(sink.reserved, c.reserved) << c.length;
        EXPECT_EQ(sink.body, "short") << c.length;
    }
}

TEST(BodyBytes, ArriveUnchanged) {
    std::string binary;
    for (int i = 0; i < 256 * 300; ++i)
        binary += static_cast<char>((i * 7 + i / 256) & 0xff);
    std::string reply =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(binary.size()) + "\r\n\r\n" + binary;
    for (std::size_t piece : {0u, 1u, 4093u, 40000u}) {
        MemoryStream stream(reply, piece);
        ReplyReader reader(stream);
        std::string body;
        StringSink sink(body);
        ReadReply(reader, sink, nullptr);
        EXPECT_TRUE(body == binary) << "piece " << piece;
    }
}

}  // namespace
