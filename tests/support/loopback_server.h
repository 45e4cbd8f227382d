#pragma once
// The HTTP server on 127.0.0.1 of every test suite, standing in for the vendor service, the image
// server and a proxy: replies are set per request target, by a handler or as a script played in
// order, every request is recorded byte for byte (with the connection it came on), a reply can
// be held back until the test lets it go, a connection can be kept open for the next request,
// and the port can be made to refuse connections for a while. Hostile replies (further down)
// play a server that stalls, trickles, never ends or lies. One thread per connection; stops
// when destroyed, whatever a reply was doing.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Every member has its own initializer, so a braced reply may leave out any of them.
struct CannedReply {
    int status = 200;
    std::string body = {};
    std::vector<std::string> headers = {};  // extra header lines, without CR LF
    int delayMs = 0;                        // wait this long before answering
    bool holdUntilReleased = false;         // wait for release() before answering
    int pauseMidBodyMs = 0;                 // send half the body, wait this long, send the rest
    bool hangUp = false;                    // close after reading the request, without a reply
    // Sent byte for byte in place of status, headers and body; empty closes without a reply.
    std::optional<std::string> raw = {};
    // The next request is read on this connection (a canned reply then says nothing about
    // closing; a raw one is sent as it stands).
    bool keepOpen = false;
    int holdAfterMs = 0;  // keep the connection open this long after the reply

    // Hostile behaviour; each keeps at it until the client goes or the server stops.
    bool stall = false;  // accept, read the request, then say nothing at all
    int trickleMs = 0;   // send the reply one byte at a time, this far apart
    // Called for more bytes once the reply is out, for as long as it gives any: a body that
    // never ends.
    std::function<std::string()> endless = {};
};

// A reply of exactly these bytes, for replies no well-behaved server would send.
CannedReply RawReply(std::string bytes);

// The same reply held back until release(), kept open for the next request, or kept open this
// long after it has been sent.
CannedReply Held(CannedReply reply);
CannedReply KeptOpen(CannedReply reply);
CannedReply HeldOpenAfter(CannedReply reply, int ms);

// Hostile replies.
CannedReply StallReply();
CannedReply TrickleReply(std::string bytes, int intervalMs);
// A 200 (or other status) reply whose chunked body never ends.
CannedReply EndlessChunkedReply(int status = 200);
// A 200 reply whose body, with neither length nor chunks, never ends.
CannedReply EndlessBodyReply();
// `lines` folded continuation lines of one header, then a 2-byte body "ok".
CannedReply FoldedHeaderReply(int lines);
// A header block of about `bytes` bytes in lines of 1 KiB, then a 2-byte body "ok".
CannedReply HugeHeaderReply(std::size_t bytes);
// Announces `announced` bytes of body, sends `sent` bytes of it and closes.
CannedReply LyingLengthReply(std::size_t announced, std::size_t sent);

struct RecordedRequest {
    // Every byte read before the head was complete: a request without a body ends at its empty
    // line, so anything after it is something the client should not have sent.
    std::string raw;
    std::string target;                                 // as sent on the request line
    int connection = 0;                                 // accepted connections counted from 0
    std::string header(const std::string& name) const;  // "" when absent
};

class LoopbackServer {
public:
    using Handler = std::function<CannedReply(const RecordedRequest&)>;

    LoopbackServer();
    // Plays the script: the n-th request, whatever its target, gets the n-th reply; requests
    // after the last one get the fallback.
    explicit LoopbackServer(std::vector<CannedReply> script);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;
    std::string url(const std::string& target) const { return baseUrl() + target; }
    int connections() const { return m_connections.load(); }

    // Replies by exact request target; targets without one get the fallback, by default 404.
    void setReply(const std::string& target, CannedReply reply);
    // Called on the connection's thread, after the request has been recorded.
    void setHandler(const std::string& target, Handler handler);
    void setFallback(CannedReply reply);
    // Drops every reply, handler and fallback set so far.
    void clearReplies();

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsFor(const std::string& targetPrefix) const;
    // Requests for exactly this target.
    int hits(const std::string& target) const;
    void clearRequests();

    // Lets every held reply go (and any held later, until the next hold()).
    void release();
    // Makes later holdUntilReleased replies wait again.
    void hold();
    // Number of requests currently held back.
    int heldCount() const { return m_held.load(); }

    // Closes the port: connects fail at once until listening resumes on the same port.
    void stopListening();
    [[nodiscard]] bool resumeListening();

private:
    struct Worker {
        std::thread thread;
        std::atomic<bool> done{false};
    };

    bool setListening(bool on);
    void acceptLoop(int listener);
    void serve(int socket);
    void reapWorkers(bool all);
    // Sends all bytes unless the client goes or the server stops first; false then.
    bool sendAll(int socket, const char* data, size_t size);
    bool sendAll(int socket, const std::string& bytes) {
        return sendAll(socket, bytes.data(), bytes.size());
    }
    // Waits up to ms (or until the client closes, or the server stops) without sending.
    void linger(int socket, int ms);
    CannedReply replyFor(const RecordedRequest& request);

    int m_port = 0;
    std::atomic<int> m_connections{0};
    std::vector<CannedReply> m_script;
    size_t m_scriptNext = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_held{0};

    mutable std::mutex m_mutex;
    // The accept thread alone opens and closes the listener; others ask through these.
    std::condition_variable m_control;
    bool m_wantListening = true;
    bool m_listening = true;
    uint64_t m_controlAsked = 0;
    uint64_t m_controlDone = 0;

    std::condition_variable m_releaseSignal;
    bool m_released = false;
    std::map<std::string, Handler> m_routes;
    Handler m_fallback;
    std::vector<RecordedRequest> m_requests;
    std::list<Worker> m_workers;
    std::thread m_acceptThread;
};

// A port on 127.0.0.1 that nobody listens on; the socket bound to it is kept so that no other
// program takes the port while the test runs.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A free loopback port at the time of the call, for peers that pick no port of their own.
int FreeLoopbackPort();
