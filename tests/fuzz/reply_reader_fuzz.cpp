// libFuzzer harness over the HTTP reply reader: arbitrary bytes as a server's reply, fed from
// memory in pieces whose size the first input byte picks, and the cookies of the reply handed to
// a jar. Any failure must be one of the client's own errors, and whatever the bytes, the reader
// keeps its bounds: the header block it accepts, the body it keeps (whole, or of a failed reply)
// and the cookies it stores.
#include <cstddef>
#include <cstdint>
#include <string>

#include "services/errors.h"
#include "services/http/byte_stream.h"
#include "services/http/cookie_jar.h"
#include "services/http/http_client.h"
#include "services/http/reply_reader.h"

namespace {

// Small bounds, so that inputs of a few MiB reach and cross every one of them.
constexpr std::size_t kHeaderBound = 4096;
constexpr std::size_t kErrorBodyBound = 512;
constexpr std::size_t kBodyBound = 64 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t piece = data[0] % 17;  // 0: everything in one read
    std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);

    MemoryStream stream(reply, piece);
    ReplyReader reader(stream);
    std::string body;
    StringSink sink(body, kBodyBound);
    CookieJar jar;
    ReplyLimits limits;
    limits.maxHeaderBytes = kHeaderBound;
    limits.maxErrorBodyBytes = kErrorBodyBound;
    std::size_t cookieOffers = 0;
    try {
        ReadReply(
            reader, sink,
            [&](const std::string& value) {
                ++cookieOffers;
                jar.Store(value, "deals.example", "/software/zor2_items.php");
            },
            limits);
        // Nothing invents bytes: the body is never longer than what came in, nor its bound.
        if (body.size() > reply.size() || body.size() > kBodyBound)
            __builtin_trap();
    } catch (const HttpStatusError& e) {
        if (e.body().size() > kErrorBodyBound || e.body().size() > reply.size())
            __builtin_trap();
        if (!body.empty())  // a failed reply's body never reaches the destination
            __builtin_trap();
    } catch (const ZorviaError&) {
    }
    // Each cookie was offered by a header line, so no more than the header bound allows.
    if (cookieOffers > kHeaderBound / 2)
        __builtin_trap();
    if (jar.size() > CookieJar::kMaxPerDomain)  // one domain here
        __builtin_trap();
    for (const Cookie& cookie : jar.cookies()) {
        for (const std::string* text : {&cookie.name, &cookie.value})
            for (char c : *text)
                if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                    __builtin_trap();
    }
    jar.RemoveExpired();
    (void)jar.HeaderFor("img.deals.example", "/software/zor2_item.php?num_iid=1");

    // The header bound on its own: whatever the bytes, an accepted head keeps no more than
    // the bound (its names and values are parts of the lines counted against it).
    MemoryStream headStream(reply, piece);
    ReplyReader headReader(headStream);
    try {
        ReplyHead head = ReadReplyHead(headReader, kHeaderBound);
        std::size_t kept = head.statusLine.size();
        for (const auto& [name, value] : head.headers.fields)
            kept += name.size() + value.size();
        if (kept > kHeaderBound)
            __builtin_trap();
    } catch (const ZorviaError&) {
    }
    return 0;
}
