#pragma once
// A small HTTP server on 127.0.0.1 for the tests, standing in for the vendor service and the
// image server: replies are set per request target (or by a handler), every request is recorded
// byte for byte, a reply can be held back until the test lets it go, and the port can be made to
// refuse connections for a while. One thread per connection; stops when destroyed.

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
};

// A reply of exactly these bytes, for replies no well-behaved server would send.
CannedReply RawReply(std::string bytes);

struct RecordedRequest {
    // Every byte read before the head was complete: a request without a body ends at its empty
    // line, so anything after it is something the client should not have sent.
    std::string raw;
    std::string target;                                 // as sent on the request line
    std::string header(const std::string& name) const;  // "" when absent
};

class LoopbackServer {
public:
    using Handler = std::function<CannedReply(const RecordedRequest&)>;

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>"
    std::string baseUrl() const;

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

    int m_port = 0;
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
