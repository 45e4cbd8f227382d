// Work a reply's head costs as it grows: folded header lines and Set-Cookie lines. Both must
// scale linearly (the time per line stays flat from 1,000 to 40,000 lines); a quadratic join or
// jar shows as a time per line that grows with the count.
#include <benchmark/benchmark.h>

#include <string>

#include "services/http/byte_stream.h"
#include "services/http/cookie_jar.h"
#include "services/http/reply_reader.h"

namespace {

void FoldedHeaderLines(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    std::string reply = "HTTP/1.1 200 OK\r\nX-Folded: start\r\n";
    for (int i = 0; i < lines; ++i)
        reply += " x\r\n";
    reply += "\r\n";
    for (auto _ : state) {
        MemoryStream stream(reply);
        ReplyReader reader(stream);
        benchmark::DoNotOptimize(ReadReplyHead(reader));
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(FoldedHeaderLines)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

void StoringCookies(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> values;
    for (int i = 0; i < count; ++i)
        values.push_back("c" + std::to_string(i) + "=v; path=/");
    for (auto _ : state) {
        CookieJar jar;
        // Spread over hosts so the jar fills to its overall bound and keeps evicting.
        for (int i = 0; i < count; ++i)
            jar.Store(values[static_cast<size_t>(i)], "h" + std::to_string(i % 97) + ".example",
                      "/");
        benchmark::DoNotOptimize(jar.size());
    }
    state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(StoringCookies)->Arg(1000)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
