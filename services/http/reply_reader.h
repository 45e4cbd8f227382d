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
// The status line and headers of one reply (those of skipped 100 replies included), counted with
// their line ends: far above any real server's, small enough that no server can fill the memory.
constexpr std::size_t kMaxHeaderBlock = 256 * 1024;
// The body of a failed (redirect or non-2xx) reply is kept up to this size; the rest is never read.
constexpr std::size_t kMaxErrorBody = 64 * 1024;

// Where a body goes as it arrives.
class BodySink {
public:
    virtual ~BodySink() = default;
    // A hint from an announced length; already capped at kMaxUpfrontReserve.
    virtual void Reserve(std::size_t /*bytes*/) {}
    // May throw to fail the request (a body larger than the destination accepts).
    virtual void Append(const char* data, std::size_t len) = 0;
    // True once the sink wants no more bytes: reading stops there, and the connection cannot
    // carry another request since the rest of the body is still on it.
    virtual bool Full() const { return false; }
};

// Keeps the body in a string. Beyond `limit` bytes the sink either throws "The reply is too
// large." (the request fails) or, with `stopAtLimit`, keeps the first `limit` bytes and is full.
class StringSink : public BodySink {
public:
    explicit StringSink(std::string& out, std::size_t limit = static_cast<std::size_t>(-1),
                        bool stopAtLimit = false)
        : m_out(out), m_limit(limit), m_stopAtLimit(stopAtLimit) {}
    void Reserve(std::size_t bytes) override;
    void Append(const char* data, std::size_t len) override;
    bool Full() const override { return m_full; }

private:
    std::string& m_out;
    std::size_t m_limit;
    bool m_stopAtLimit;
    bool m_full = false;
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
    // The bytes the last ReadLine took from the stream, its line end included.
    std::size_t lastLineBytes() const { return m_lastLineBytes; }
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
    std::size_t m_lastLineBytes = 0;
};

// The status code of a status line: the second space-separated token as a decimal number, or
// -1 when there is none or it is not a number.
int StatusCodeOf(std::string_view statusLine);

// Status line and headers; replies with status 100 are skipped. Throws
// "Connection Closed Gracefully." when the stream ends before a complete status line, and
// "The reply headers are too large." beyond maxHeaderBytes. Folded lines are joined in place.
ReplyHead ReadReplyHead(ReplyReader& reader, std::size_t maxHeaderBytes = kMaxHeaderBlock);

// How a body ended.
enum class BodyEnd {
    Framed,    // where its framing said, so the connection could carry another reply
    Unframed,  // every byte is there, but the connection cannot be trusted for another reply
    Short,     // the stream ended before the announced length
    Broken,    // the stream ended inside the chunks
    Stopped,   // the sink was full; the rest was left unread
};

// Reads the body by its framing. A chunked body wins over an announced length (the length is
// then ignored, and the ambiguous framing keeps the connection from being reused).
BodyEnd ReadReplyBody(ReplyReader& reader, const ReplyHeaders& headers, BodySink& sink,
                      int waitLimitMs);

struct ReplyOutcome {
    int code = -1;
    bool keepOpen = false;  // the connection may carry another request
    // Every announced byte arrived. A length-framed body cut short still succeeds (the bytes so
    // far are the body); a caller that must not keep a half (a download) looks here.
    bool complete = true;
};

struct ReplyLimits {
    int errorBodyWaitMs = 2000;  // each wait for a failed reply's body
    std::size_t maxHeaderBytes = kMaxHeaderBlock;
    std::size_t maxErrorBodyBytes = kMaxErrorBody;
};

// The whole reply: cookies handed to storeCookie (whatever the status), then the decision.
// Redirects and codes outside 200-299 throw HttpStatusError after reading their body (at most
// maxErrorBodyBytes of it, each wait limited to errorBodyWaitMs); such a body cut short still
// gives the HttpStatusError with the bytes read so far. A 2xx reply whose connection ended
// within the headers throws "Undefined situation"; one whose chunked body is cut short throws
// "Connection Closed Gracefully.".
ReplyOutcome ReadReply(ReplyReader& reader, BodySink& sink,
                       const std::function<void(const std::string&)>& storeCookie,
                       const ReplyLimits& limits = ReplyLimits());
