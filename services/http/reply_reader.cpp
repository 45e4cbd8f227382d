#include "services/http/reply_reader.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "services/errors.h"
#include "services/http/http_client.h"
#include "services/text_utils.h"

namespace {

[[noreturn]] void ThrowClosed() {
    throw ZorviaError("Connection Closed Gracefully.");
}

// A non-negative whole number, or nullopt when the text is anything else (or does not fit).
std::optional<unsigned long long> ReadLength(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    unsigned long long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        unsigned digit = static_cast<unsigned>(c - '0');
        if (value > (~0ULL - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return value;
}

// A chunk-size line: the part before its first space read as hexadecimal; anything else is 0,
// and `clean` tells whether it read as a number at all.
unsigned long long ChunkSizeOf(const std::string& line, bool& clean) {
    std::string text = line.substr(0, line.find(' '));
    clean = !text.empty() && text.size() <= 16;
    unsigned long long value = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else {
            clean = false;
            break;
        }
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return clean ? value : 0;
}

// Reads exactly `count` bytes into the sink: Framed when they all came, Short when the stream
// ended first, Stopped when the sink filled up.
BodyEnd CopyExactly(ReplyReader& reader, unsigned long long count, BodySink& sink, char* block,
                    int waitLimitMs) {
    while (count > 0) {
        std::size_t want =
            count < kRecvBlockSize ? static_cast<std::size_t>(count) : kRecvBlockSize;
        std::size_t got = reader.ReadSome(block, want, waitLimitMs);
        if (got == 0)
            return BodyEnd::Short;
        sink.Append(block, got);
        count -= got;
        if (sink.Full())
            return count == 0 ? BodyEnd::Framed : BodyEnd::Stopped;
    }
    return BodyEnd::Framed;
}

BodyEnd ReadChunked(ReplyReader& reader, BodySink& sink, char* block, int waitLimitMs) {
    bool clean = true;
    for (;;) {
        std::optional<std::string> sizeLine = reader.ReadLine(waitLimitMs);
        if (!sizeLine)
            return BodyEnd::Broken;
        bool sizeClean = true;
        unsigned long long size = ChunkSizeOf(*sizeLine, sizeClean);
        clean = clean && sizeClean;
        if (size == 0)
            break;
        // Unlike a short Content-Length body, a chunked body that stops mid-way is known to be
        // incomplete, and is not passed off as the whole body.
        BodyEnd end = CopyExactly(reader, size, sink, block, waitLimitMs);
        if (end == BodyEnd::Short)
            return BodyEnd::Broken;
        if (end == BodyEnd::Stopped || sink.Full())
            return BodyEnd::Stopped;
        if (!reader.ReadLine(waitLimitMs))
            return BodyEnd::Broken;
    }
    // The empty line that ends the reply; its absence loses no body bytes.
    if (!reader.ReadLine(waitLimitMs))
        clean = false;
    return clean ? BodyEnd::Framed : BodyEnd::Unframed;
}

bool SaysClose(const std::string* value) {
    return value != nullptr && EqualsIgnoringCase(TrimText(*value), "close");
}

}  // namespace

const std::string* ReplyHeaders::Find(std::string_view name) const {
    for (const auto& field : fields)
        if (EqualsIgnoringCase(field.first, name))
            return &field.second;
    return nullptr;
}

ReplyReader::ReplyReader(ByteStream& stream) : m_stream(stream), m_buf(kRecvBlockSize) {}

void StringSink::Reserve(std::size_t bytes) {
    m_out.reserve(m_out.size() + std::min(bytes, m_limit - std::min(m_limit, m_out.size())));
}

void StringSink::Append(const char* data, std::size_t len) {
    std::size_t room = m_limit - std::min(m_limit, m_out.size());
    if (len > room) {
        if (!m_stopAtLimit)
            throw ZorviaError("The reply is too large.");
        len = room;
        m_full = true;
    }
    m_out.append(data, len);
    if (m_out.size() >= m_limit)
        m_full = m_stopAtLimit;
}

bool ReplyReader::Fill(int waitLimitMs) {
    if (m_endSeen)
        return false;
    if (m_begin == m_end)
        m_begin = m_end = 0;
    std::size_t got = m_stream.Read(m_buf.data() + m_end, m_buf.size() - m_end, waitLimitMs);
    if (got == 0) {
        m_endSeen = true;
        return false;
    }
    m_end += got;
    return true;
}

std::optional<std::string> ReplyReader::ReadLine(int waitLimitMs) {
    std::string line;
    m_lastLineBytes = 0;
    for (;;) {
        const char* start = m_buf.data() + m_begin;
        std::size_t avail = m_end - m_begin;
        const char* lf = static_cast<const char*>(std::memchr(start, '\n', avail));
        std::size_t take = lf != nullptr ? static_cast<std::size_t>(lf - start) : avail;
        // Checked before waiting for more, so an endless line never grows the memory.
        if (line.size() + take > kMaxLineLength)
            throw ZorviaError("Max line length exceeded.");
        line.append(start, take);
        if (lf != nullptr) {
            m_begin += take + 1;
            m_lastLineBytes = line.size() + 1;
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        m_begin = m_end;
        if (!Fill(waitLimitMs))
            return std::nullopt;
    }
}

std::size_t ReplyReader::ReadSome(char* buf, std::size_t len, int waitLimitMs) {
    if (len == 0)
        return 0;
    if (m_begin == m_end) {
        if (m_endSeen)
            return 0;
        // Large reads go straight into the caller's block, saving a copy on big bodies.
        if (len >= m_buf.size()) {
            std::size_t got = m_stream.Read(buf, len, waitLimitMs);
            if (got == 0)
                m_endSeen = true;
            return got;
        }
        if (!Fill(waitLimitMs))
            return 0;
    }
    std::size_t n = std::min(len, m_end - m_begin);
    std::memcpy(buf, m_buf.data() + m_begin, n);
    m_begin += n;
    return n;
}

int StatusCodeOf(std::string_view line) {
    std::size_t pos = 0;
    auto nextToken = [&]() -> std::string_view {
        while (pos < line.size() && line[pos] == ' ')
            ++pos;
        std::size_t begin = pos;
        while (pos < line.size() && line[pos] != ' ')
            ++pos;
        return line.substr(begin, pos - begin);
    };
    nextToken();  // the protocol
    std::string_view code = nextToken();
    if (code.empty() || code.size() > 9)
        return -1;
    int value = 0;
    for (char c : code) {
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

ReplyHead ReadReplyHead(ReplyReader& reader, std::size_t maxHeaderBytes) {
    std::size_t headerBytes = 0;
    auto nextLine = [&]() {
        std::optional<std::string> line = reader.ReadLine(-1);
        headerBytes += reader.lastLineBytes();
        if (headerBytes > maxHeaderBytes)
            throw ZorviaError("The reply headers are too large.");
        return line;
    };
    for (;;) {
        ReplyHead head;
        std::optional<std::string> status = nextLine();
        if (!status)
            ThrowClosed();
        head.statusLine = std::move(*status);
        head.code = StatusCodeOf(head.statusLine);
        for (;;) {
            std::optional<std::string> line = nextLine();
            if (!line) {
                head.closedInHeaders = true;
                break;
            }
            if (line->empty())
                break;
            if ((*line)[0] == ' ' || (*line)[0] == '\t') {
                // A folded line carries on the previous header; one before any header has
                // nothing to continue and is dropped. Appended in place: thousands of folded
                // lines cost no more than one long header.
                if (!head.headers.fields.empty()) {
                    std::string piece = TrimText(*line);
                    std::string& value = head.headers.fields.back().second;
                    if (!piece.empty()) {
                        if (!value.empty())
                            value += ' ';
                        value += piece;
                    }
                }
                continue;
            }
            std::size_t colon = line->find(':');
            std::string name = TrimText(std::string_view(*line).substr(0, colon));
            std::string value =
                colon == std::string::npos ? std::string() : TrimText(line->substr(colon + 1));
            head.headers.fields.emplace_back(std::move(name), std::move(value));
        }
        if (head.code != 100)
            return head;
    }
}

BodyEnd ReadReplyBody(ReplyReader& reader, const ReplyHeaders& headers, BodySink& sink,
                      int waitLimitMs) {
    std::unique_ptr<char[]> block(new char[kRecvBlockSize]);
    const std::string* lengthText = headers.Find("Content-Length");
    std::optional<unsigned long long> length;
    if (lengthText != nullptr)
        length = ReadLength(*lengthText);
    const std::string* transfer = headers.Find("Transfer-Encoding");
    // A length next to a transfer coding is the classic way of making two readers see two
    // different replies: whatever is read, the connection is not trusted afterwards.
    const bool ambiguous = lengthText != nullptr && transfer != nullptr;

    BodyEnd end = BodyEnd::Framed;
    if (transfer != nullptr && transfer->find("chunked") != std::string::npos) {
        end = ReadChunked(reader, sink, block.get(), waitLimitMs);
    } else if (length && *length > 0) {
        // The announced length is only a hint: a liar must not make us reserve gigabytes.
        sink.Reserve(
            static_cast<std::size_t>(std::min<unsigned long long>(*length, kMaxUpfrontReserve)));
        end = CopyExactly(reader, *length, sink, block.get(), waitLimitMs);
    } else if (!length) {
        for (;;) {
            std::size_t got = reader.ReadSome(block.get(), kRecvBlockSize, waitLimitMs);
            if (got == 0)
                return BodyEnd::Unframed;
            sink.Append(block.get(), got);
            if (sink.Full())
                return BodyEnd::Stopped;
        }
    }
    // Otherwise an announced length of 0: the body is empty.
    return end == BodyEnd::Framed && ambiguous ? BodyEnd::Unframed : end;
}

ReplyOutcome ReadReply(ReplyReader& reader, BodySink& sink,
                       const std::function<void(const std::string&)>& storeCookie,
                       const ReplyLimits& limits) {
    ReplyHead head = ReadReplyHead(reader, limits.maxHeaderBytes);
    if (storeCookie) {
        for (const auto& [name, value] : head.headers.fields)
            if (EqualsIgnoringCase(name, "Set-Cookie") || EqualsIgnoringCase(name, "Set-Cookie2"))
                storeCookie(value);
    }

    const std::string* location = head.headers.Find("Location");
    bool redirect = (head.code >= 300 && head.code <= 399 && head.code != 304) ||
                    (location != nullptr && !location->empty());
    if (redirect || head.code < 200 || head.code > 299) {
        // Only the start of such a body is of any use; a server sending more (or sending for
        // ever) is left with the rest, and the connection goes with it.
        std::string body;
        StringSink bodySink(body, limits.maxErrorBodyBytes, true);
        if (!head.closedInHeaders)
            ReadReplyBody(reader, head.headers, bodySink, limits.errorBodyWaitMs);
        throw HttpStatusError(head.statusLine, head.code, std::move(body));
    }
    if (head.closedInHeaders)
        throw ZorviaError("Undefined situation");

    BodyEnd end = BodyEnd::Framed;
    if (head.code != 204)
        end = ReadReplyBody(reader, head.headers, sink, -1);
    if (end == BodyEnd::Broken)
        ThrowClosed();

    ReplyOutcome outcome;
    outcome.code = head.code;
    outcome.complete = end == BodyEnd::Framed || end == BodyEnd::Unframed;
    outcome.keepOpen = end == BodyEnd::Framed && !reader.endSeen() && reader.bufferEmpty() &&
                       !SaysClose(head.headers.Find("Connection")) &&
                       !SaysClose(head.headers.Find("Proxy-Connection"));
    return outcome;
}
