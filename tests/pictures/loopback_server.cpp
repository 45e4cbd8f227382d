#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

void SendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
}

const char* ReasonOf(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 302:
            return "Found";
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

}  // namespace

LoopbackServer::LoopbackServer() {
    m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (m_listener < 0)
        throw std::runtime_error("socket");
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 16) != 0)
        throw std::runtime_error("bind/listen");
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_acceptor = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    m_stopping = true;
    m_acceptor.join();
    for (std::thread& connection : m_connections)
        connection.join();
    ::close(m_listener);
}

std::string LoopbackServer::base() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LoopbackServer::serve(const std::string& target, Reply reply) {
    std::lock_guard lock(m_mutex);
    m_replies[target] = std::move(reply);
}

int LoopbackServer::hits(const std::string& target) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_hits.find(target);
    return found == m_hits.end() ? 0 : found->second;
}

int LoopbackServer::totalHits() const {
    std::lock_guard lock(m_mutex);
    int total = 0;
    for (const auto& [target, count] : m_hits)
        total += count;
    return total;
}

void LoopbackServer::acceptLoop() {
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        const int socket = ::accept(m_listener, nullptr, nullptr);
        if (socket < 0)
            continue;
        m_connections.emplace_back([this, socket] { handle(socket); });
    }
}

void LoopbackServer::handle(int socket) {
    // Read the request head; a client that sends nothing for two seconds is dropped.
    std::string request;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (request.find("\r\n\r\n") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline && !m_stopping) {
        pollfd waiting{socket, POLLIN, 0};
        if (::poll(&waiting, 1, 20) <= 0)
            continue;
        char buffer[2048];
        const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        request.append(buffer, static_cast<size_t>(got));
    }
    const size_t firstSpace = request.find(' ');
    const size_t secondSpace = request.find(' ', firstSpace + 1);
    if (firstSpace == std::string::npos || secondSpace == std::string::npos) {
        ::close(socket);
        return;
    }
    const std::string target = request.substr(firstSpace + 1, secondSpace - firstSpace - 1);

    Reply reply;
    {
        std::lock_guard lock(m_mutex);
        ++m_hits[target];
        const auto found = m_replies.find(target);
        if (found != m_replies.end())
            reply = found->second;
        else
            reply = Reply{404, "<html><body>not here</body></html>"};
    }
    if (reply.hangUp) {
        ::close(socket);
        return;
    }
    const std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                             ReasonOf(reply.status) + "\r\nContent-Type: image/jpeg\r\n" +
                             "Content-Length: " + std::to_string(reply.body.size()) +
                             "\r\nConnection: close\r\n\r\n";
    SendAll(socket, head.data(), head.size());
    const size_t half = reply.holdMs > 0 ? reply.body.size() / 2 : reply.body.size();
    SendAll(socket, reply.body.data(), half);
    if (reply.holdMs > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(reply.holdMs));
        SendAll(socket, reply.body.data() + half, reply.body.size() - half);
    }
    ::shutdown(socket, SHUT_WR);
    // Let the client read everything before the socket goes.
    char sink[256];
    pollfd waiting{socket, POLLIN, 0};
    while (::poll(&waiting, 1, 1000) > 0 && ::recv(socket, sink, sizeof sink, 0) > 0) {
    }
    ::close(socket);
}
