#pragma once
// Misbehaviour on request: a front that stands on the service's port and answers the requests
// one mode concerns the way a hostile or broken network would (silence, one byte a second, a
// body without end, a swollen header block, values carrying line breaks), relaying every other
// request to the well-behaved service behind it. For tests and for reproducing reports.

#include <atomic>
#include <functional>
#include <optional>
#include <string>

enum class Misbehaviour {
    SilentVersion,   // the version request is accepted and never answered
    SilentFeed,      // the same for the deal feed
    SlowFeed,        // the deal feed, its head included, at one byte a second
    SilentPictures,  // every picture request
    SilentSales,     // every sales-count request
    EndlessChunked,  // the version reply is chunked and never ends
    FoldedHeaders,   // the deal feed comes after 40,000 folded header lines
    FeedLineBreaks,  // some deals' picture URL and item id carry CR LF and a header line
};

// "silent-version", "silent-feed", "slow-feed", "silent-pictures", "silent-sales",
// "endless-chunked", "folded-headers", "feed-line-breaks".
std::optional<Misbehaviour> ReadMisbehaviour(const std::string& name);
const char* MisbehaviourNames();

class MisbehavingFront {
public:
    using Log = std::function<void(const std::string& line)>;

    // Relays to the service on 127.0.0.1:backendPort.
    MisbehavingFront(Misbehaviour mode, int backendPort, Log log);

    // Listens on host:port (0: a free port); the port in use, or -1.
    int Listen(const std::string& host, int port);
    // Serves until Stop(), one thread per connection.
    void Run();
    void Stop() { m_stop = true; }

private:
    void Serve(int client);
    bool Concerns(const std::string& target) const;

    Misbehaviour m_mode;
    int m_backendPort;
    Log m_log;
    int m_listener = -1;
    std::atomic<bool> m_stop{false};
};
