#pragma once
// A small HTTP server on 127.0.0.1 standing in for the vendor service and the image server:
// every reply is set by the test, every request is recorded, a reply can be held back until the
// test lets it go, and the port can be made to refuse connections for a while.

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct CannedReply {
    int status = 200;
    std::string body;
    std::vector<std::string> headers;  // extra header lines, without CR LF
    bool holdUntilReleased = false;    // wait for Release() before answering
    int delayMs = 0;                   // wait this long before answering
};

struct RecordedRequest {
    std::string target;                                 // as sent on the request line
    std::string head;                                   // the whole request head
    std::string header(const std::string& name) const;  // "" when absent
};

class LoopbackServer {
public:
    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    int port() const { return m_port; }
    std::string baseUrl() const;

    // Replies by exact request target; unknown targets get 404.
    void setReply(const std::string& target, CannedReply reply);
    void clearReplies();

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requestsFor(const std::string& targetPrefix) const;
    void clearRequests();

    // Lets every held reply go (and any held later until the next Hold()).
    void Release();
    // Makes later holdUntilReleased replies wait again.
    void Hold();
    // Number of requests currently held back.
    int heldCount() const { return m_held.load(); }

    // While refusing, the port is closed: connects fail at once.
    void setRefusing(bool refusing);

private:
    void openListener();
    void acceptLoop();
    void serve(int socket);

    int m_port = 0;
    std::atomic<int> m_listener{-1};
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_held{0};
    std::thread m_acceptThread;

    mutable std::mutex m_mutex;
    std::condition_variable m_releaseSignal;
    bool m_released = false;
    std::map<std::string, CannedReply> m_replies;
    std::vector<RecordedRequest> m_requests;
    std::vector<std::thread> m_workers;
};
