#pragma once
// A one-connection-at-a-time HTTP server on 127.0.0.1 that records each request's bytes and
// answers with whatever reply the test has set, byte for byte.

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CannedServer {
public:
    CannedServer();
    ~CannedServer();

    int port() const { return m_port; }
    // Raw bytes sent after the request has been read; an empty reply closes without answering.
    void setReply(const std::string& reply);
    // The requests received so far, each up to and including its empty line.
    std::vector<std::string> requests() const;
    void clearRequests();
    // Stops listening: connections are refused until listening starts again on the same port.
    void stopListening();
    bool resumeListening();

private:
    bool listenOn(int port);
    void serve();

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::string m_reply;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

// The server every test of this executable shares; ZORVIA_SERVICE_URL points at it.
CannedServer& TestService();
