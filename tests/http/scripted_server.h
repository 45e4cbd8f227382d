#pragma once
// A loopback HTTP peer for the client tests: it answers each connection (or each request on a
// kept-open connection) with raw bytes from a script and records the raw request bytes it got.

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct Exchange {
    Exchange(std::string reply_, bool releaseFirst_ = false, int holdAfterMs_ = 0,
             bool keepOpen_ = false)
        : reply(std::move(reply_)),
          releaseFirst(releaseFirst_),
          holdAfterMs(holdAfterMs_),
          keepOpen(keepOpen_) {}
    std::string reply;          // sent as it stands once the request has arrived
    bool releaseFirst = false;  // hold the reply until Release() (at most 5 s)
    int holdAfterMs = 0;        // keep the connection open this long after the reply
    bool keepOpen = false;      // the next exchange reads its request on this connection
};

struct RecordedRequest {
    int connection;  // counts the accepted connections from 0
    std::string bytes;
};

class ScriptedServer {
public:
    explicit ScriptedServer(std::vector<Exchange> script);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return m_port; }
    std::string url(const std::string& target) const;
    std::vector<RecordedRequest> requests() const;
    int connections() const { return m_connections.load(); }
    void Release();

private:
    void Run();
    bool ReadRequest(int fd, std::string& out);
    bool WaitUntil(int fd, int ms);

    std::vector<Exchange> m_script;
    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::condition_variable m_released;
    bool m_releasedFlag = false;
    std::vector<RecordedRequest> m_requests;
    std::thread m_thread;
};

// A port on 127.0.0.1 that nobody listens on; the socket bound to it is kept so that no other
// program takes the port while the test runs.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// A free loopback port at the time of the call, for peers that pick no port of their own.
int FreeLoopbackPort();
