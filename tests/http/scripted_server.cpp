#include "scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace {

int BindLoopback(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw std::runtime_error("socket");
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        throw std::runtime_error("bind");
    }
    return fd;
}

int PortOf(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    return ntohs(addr.sin_port);
}

}  // namespace

ScriptedServer::ScriptedServer(std::vector<Exchange> script) : m_script(std::move(script)) {
    m_listener = BindLoopback(0);
    ::listen(m_listener, 8);
    m_port = PortOf(m_listener);
    m_thread = std::thread([this] { Run(); });
}

ScriptedServer::~ScriptedServer() {
    m_stop = true;
    Release();
    m_thread.join();
    ::close(m_listener);
}

std::string ScriptedServer::url(const std::string& target) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + target;
}

std::vector<RecordedRequest> ScriptedServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

void ScriptedServer::Release() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_releasedFlag = true;
    m_released.notify_all();
}

// Waits for fd to become readable in short slices so that a stopping server never hangs.
bool ScriptedServer::WaitUntil(int fd, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stop && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 20) > 0)
            return true;
    }
    return false;
}

bool ScriptedServer::ReadRequest(int fd, std::string& out) {
    char buf[4096];
    while (out.find("\r\n\r\n") == std::string::npos) {
        if (!WaitUntil(fd, 5000))
            return false;
        ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0)
            return false;
        out.append(buf, static_cast<std::size_t>(n));
    }
    return true;
}

void ScriptedServer::Run() {
    int fd = -1;
    bool reused = false;
    for (std::size_t i = 0; i < m_script.size(); ++i) {
        const Exchange& step = m_script[i];
        if (fd < 0) {
            if (!WaitUntil(m_listener, 5000))
                return;
            fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0)
                return;
            ++m_connections;
            reused = false;
        }
        std::string request;
        bool got = ReadRequest(fd, request);
        if (!got && request.empty() && reused) {
            // The client gave up the kept connection; this exchange comes on a new one.
            ::close(fd);
            fd = -1;
            --i;
            continue;
        }
        if (!request.empty()) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_requests.push_back({m_connections.load() - 1, request});
        }
        if (got) {
            if (step.releaseFirst) {
                std::unique_lock<std::mutex> lock(m_mutex);
                m_released.wait_for(lock, std::chrono::seconds(5),
                                    [this] { return m_releasedFlag; });
                m_releasedFlag = false;
            }
            std::size_t sent = 0;
            while (sent < step.reply.size()) {
                ssize_t n =
                    ::send(fd, step.reply.data() + sent, step.reply.size() - sent, MSG_NOSIGNAL);
                if (n <= 0)
                    break;
                sent += static_cast<std::size_t>(n);
            }
            if (step.keepOpen) {
                reused = true;
                continue;
            }
            if (step.holdAfterMs > 0)
                WaitUntil(-1, step.holdAfterMs);
        }
        // The whole request has been read, so closing now is an orderly end, never a reset.
        ::close(fd);
        fd = -1;
    }
    if (fd >= 0)
        ::close(fd);
}

RefusingPort::RefusingPort() {
    m_fd = BindLoopback(0);
    m_port = PortOf(m_fd);
}

RefusingPort::~RefusingPort() {
    ::close(m_fd);
}

int FreeLoopbackPort() {
    int fd = BindLoopback(0);
    int port = PortOf(fd);
    ::close(fd);
    return port;
}
