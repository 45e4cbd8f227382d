#pragma once
// A small HTTP server on 127.0.0.1 for the picture tests: one canned reply per request target,
// a count of requests per target, one thread per connection. Stops when destroyed.

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    struct Reply {
        int status = 200;
        std::string body;
        // Send the first half of the body, wait this long, then send the rest.
        int holdMs = 0;
        // Close the connection after reading the request, without a reply.
        bool hangUp = false;
    };

    LoopbackServer();
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // "http://127.0.0.1:<port>"
    std::string base() const;
    int port() const { return m_port; }

    // Targets without a reply get 404.
    void serve(const std::string& target, Reply reply);
    int hits(const std::string& target) const;
    int totalHits() const;

private:
    void acceptLoop();
    void handle(int socket);

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    mutable std::mutex m_mutex;
    std::map<std::string, Reply> m_replies;
    std::map<std::string, int> m_hits;
    std::vector<std::thread> m_connections;
    std::thread m_acceptor;
};
