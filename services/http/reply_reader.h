#pragma once
// Reading an HTTP/1.1 reply from a ByteStream: the status line, the headers, the four body
// framings and the decision whether the request succeeded. Independent of sockets, so it is
// tested and fuzzed on exact bytes.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "services/http/byte_stream.h"

// Longest status, header or chunk-size line, counted up to its LF with a CR included.
constexpr std::size_t kMaxLineLength = 16384;
// Largest block taken from the stream in one read.
constexpr std::size_t kRecvBlockSize = 32768;
// An announced length is never trusted for more memory than this before the bytes arrive.
constexpr std::size_t kMaxUpfrontReserve = 1 << 20;

// Where a body goes as it arrives.
class BodySink {
public:
    virtual ~BodySink() = default;
    // A hint from an announced length; already capped at kMaxUpfrontReserve.
    virtual void Reserve(std::size_t /*bytes*/) {}
    virtual void Append(const char* data, std::size_t len) = 0;
};

class StringSink : public BodySink {
public:
    explicit StringSink(std::string& out) : m_out(out) {}
    void Reserve(std::size_t bytes) override { m_out.reserve(m_out.size() + bytes); }
    void Append(const char* data, std::size_t len) override { m_out.append(data, len); }

private:
    std::string& m_out;
};

struct ReplyHeaders {
    std::vector<std::pair<std::string, std::string>> fields;  // arrival order, values trimmed
    // The first value of the named header (letter case ignored), or nullptr.
    const std::string* Find(std::string_view name) const;
};

struct ReplyHead {
    std::string statusLine;
    int code = -1;
    ReplyHeaders headers;
    // The stream ended before the empty line that closes the headers.
    bool closedInHeaders = false;
};

// Buffered line and block reading over a stream.
class ReplyReader {
public:
    explicit ReplyReader(ByteStream& stream);

    // One line without its LF and without a CR right before it; nullopt when the stream ends
    // before the LF (a partial line is dropped). Throws "Max line length exceeded.".
    std::optional<std::string> ReadLine(int waitLimitMs);
    // Up to len bytes, buffered ones first; 0 at the end of the stream.
    std::size_t ReadSome(char* buf, std::size_t len, int waitLimitMs);

    bool endSeen() const { return m_endSeen; }
    bool bufferEmpty() const { return m_begin == m_end; }

private:
    bool Fill(int waitLimitMs);

    ByteStream& m_stream;
    std::vector<char> m_buf;
    std::size_t m_begin = 0;
    std::size_t m_end = 0;
    bool m_endSeen = false;
};

// The status code of a status line: the second space-separated token as a decimal number, or
// -1 when there is none or it is not a number.
int StatusCodeOf(std::string_view statusLine);

// Status line and headers; replies with status 100 are skipped. Throws
// "Connection Closed Gracefully." when the stream ends before a complete status line.
ReplyHead ReadReplyHead(ReplyReader& reader);

// Reads the body by its framing. Returns true when the framing ended where it said it would,
// so the connection could carry another reply.
bool ReadReplyBody(ReplyReader& reader, const ReplyHeaders& headers, BodySink& sink,
                   int waitLimitMs);

struct ReplyOutcome {
    int code = -1;
    bool keepOpen = false;  // the connection may carry another request
};

// The whole reply: cookies handed to storeCookie (whatever the status), then the decision.
// Redirects and codes outside 200-299 throw HttpStatusError after reading their body with each
// wait limited to errorBodyWaitMs; a 2xx reply whose connection ended within the headers throws
// "Undefined situation".
ReplyOutcome ReadReply(ReplyReader& reader, BodySink& sink,
                       const std::function<void(const std::string&)>& storeCookie,
                       int errorBodyWaitMs);
