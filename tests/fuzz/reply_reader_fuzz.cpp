// libFuzzer harness over the HTTP reply reader: arbitrary bytes as a server's reply, fed from
// memory in pieces whose size the first input byte picks, and the cookies of the reply handed to
// a jar. Any failure must be one of the client's own errors.
#include <cstddef>
#include <cstdint>
#include <string>

#include "services/errors.h"
#include "services/http/byte_stream.h"
#include "services/http/cookie_jar.h"
#include "services/http/reply_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    std::size_t piece = data[0] % 17;  // 0: everything in one read
    std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);

    MemoryStream stream(reply, piece);
    ReplyReader reader(stream);
    std::string body;
    StringSink sink(body);
    CookieJar jar;
    try {
        ReadReply(
            reader, sink,
            [&](const std::string& value) {
                jar.Store(value, "deals.example", "/software/zor2_items.php");
            },
            2000);
        // Nothing invents bytes: the body is never longer than what came in.
        if (body.size() > reply.size())
            __builtin_trap();
    } catch (const ZorviaError&) {
    }
    jar.RemoveExpired();
    (void)jar.HeaderFor("img.deals.example", "/software/zor2_item.php?num_iid=1");
    return 0;
}
