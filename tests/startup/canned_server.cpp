#include "canned_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

CannedServer::CannedServer() {
    listenOn(0);
}

bool CannedServer::listenOn(int port) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (m_listener < 0 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 8) != 0)
        return false;
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_stopping = false;
    m_thread = std::thread([this] { serve(); });
    return true;
}

bool CannedServer::resumeListening() {
    if (m_listener >= 0)
        return true;
    return listenOn(m_port);
}

CannedServer::~CannedServer() {
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
}

void CannedServer::setReply(const std::string& reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reply = reply;
}

std::vector<std::string> CannedServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void CannedServer::clearRequests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

void CannedServer::stopListening() {
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

void CannedServer::serve() {
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::string request;
        char buffer[4096];
        while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
            pollfd readable{fd, POLLIN, 0};
            if (::poll(&readable, 1, 5000) <= 0)
                break;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.append(buffer, static_cast<size_t>(got));
        }
        std::string reply;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back(request);
            reply = m_reply;
        }
        size_t sent = 0;
        while (sent < reply.size()) {
            const ssize_t n = ::send(fd, reply.data() + sent, reply.size() - sent, MSG_NOSIGNAL);
            if (n <= 0)
                break;
            sent += static_cast<size_t>(n);
        }
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
}
