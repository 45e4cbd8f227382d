#include "services/http/socket_stream.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "services/errors.h"
#include "services/http/anti_freeze.h"

namespace {

using Clock = std::chrono::steady_clock;

int MsSince(Clock::time_point start) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

void DispatchPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool EqualsNoCase(const std::string& a, const char* b) {
    std::size_t n = std::strlen(b);
    if (a.size() != n)
        return false;
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

[[noreturn]] void ThrowSocketError(int err) {
    throw ZorviaError(SocketErrorMessage(err));
}

// One poll that survives signals; returns the poll result.
int PollOnce(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int r = ::poll(&p, 1, timeoutMs);
        if (r >= 0 || errno != EINTR)
            return r;
    }
}

}  // namespace

std::string SocketErrorMessage(int err) {
    return "Socket Error # " + std::to_string(err) + "\n" + std::strerror(err);
}

unsigned long ResolveIPv4(const std::string& host) {
    if (EqualsNoCase(host, "localhost"))
        return htonl(INADDR_LOOPBACK);
    in_addr addr{};
    if (::inet_pton(AF_INET, host.c_str(), &addr) == 1)
        return addr.s_addr;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0) {
        if (rc == EAI_SYSTEM)
            ThrowSocketError(errno);
        throw ZorviaError("Socket Error # " + std::to_string(rc) + "\n" + ::gai_strerror(rc));
    }
    unsigned long result = 0;
    bool have = false;
    for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
        if (a->ai_family == AF_INET && a->ai_addr != nullptr) {
            result = reinterpret_cast<sockaddr_in*>(a->ai_addr)->sin_addr.s_addr;
            have = true;
            break;
        }
    }
    ::freeaddrinfo(found);
    if (!have)
        throw ZorviaError("Socket Error # " + std::to_string(EAI_NONAME) + "\n" +
                          ::gai_strerror(EAI_NONAME));
    return result;
}

SocketStream::SocketStream(const std::string& host, int port, int connectTimeLimitMs)
    : m_host(host), m_port(port) {
    // Resolution happens before the connect and dispatches nothing.
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    peer.sin_addr.s_addr = static_cast<in_addr_t>(ResolveIPv4(host));

    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        ThrowSocketError(errno);
    int rc = ::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
    int err = rc == 0 ? 0 : errno;
    if (err == EINPROGRESS || err == EINTR) {
        if (AntiFreeze::InForce()) {
            Clock::time_point start = Clock::now();
            for (;;) {
                int remaining = connectTimeLimitMs - MsSince(start);
                if (remaining <= 0) {
                    ::close(m_fd);
                    m_fd = -1;
                    throw ZorviaError("Connect timed out.");
                }
                int slice =
                    remaining < AntiFreeze::ConnectSliceMs ? remaining : AntiFreeze::ConnectSliceMs;
                int r = PollOnce(m_fd, POLLOUT, slice);
                if (r > 0)
                    break;
                if (r < 0) {
                    err = errno;
                    ::close(m_fd);
                    m_fd = -1;
                    ThrowSocketError(err);
                }
                DispatchPendingEvents();
            }
        } else if (PollOnce(m_fd, POLLOUT, -1) < 0) {
            err = errno;
            ::close(m_fd);
            m_fd = -1;
            ThrowSocketError(err);
        }
        socklen_t len = sizeof err;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
    }
    if (err != 0) {
        ::close(m_fd);
        m_fd = -1;
        ThrowSocketError(err);
    }
}

SocketStream::~SocketStream() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void SocketStream::Shutdown() {
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

void SocketStream::WaitFor(short events, int waitLimitMs) {
    Clock::time_point start = Clock::now();
    for (;;) {
        bool sliced = AntiFreeze::InForce();
        int timeout = -1;
        if (waitLimitMs >= 0) {
            timeout = waitLimitMs - MsSince(start);
            if (timeout <= 0)
                throw ZorviaError("Read Timeout");
        }
        if (sliced && (timeout < 0 || timeout > AntiFreeze::IdleTimeOutMs))
            timeout = AntiFreeze::IdleTimeOutMs;
        int r = PollOnce(m_fd, events, timeout);
        if (r > 0)
            return;
        if (r < 0)
            ThrowSocketError(errno);
        if (sliced)
            DispatchPendingEvents();
    }
}

std::size_t SocketStream::Read(char* buf, std::size_t len, int waitLimitMs) {
    for (;;) {
        ssize_t n = ::recv(m_fd, buf, len, 0);
        if (n >= 0)
            return static_cast<std::size_t>(n);
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            ThrowSocketError(errno);
        WaitFor(POLLIN, waitLimitMs);
    }
}

void SocketStream::Write(const char* data, std::size_t len) {
    while (len > 0) {
        // A peer that has gone away must not kill the process with SIGPIPE.
        ssize_t n = ::send(m_fd, data, len, MSG_NOSIGNAL);
        if (n >= 0) {
            data += n;
            len -= static_cast<std::size_t>(n);
            continue;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            ThrowSocketError(errno);
        WaitFor(POLLOUT, -1);
    }
}
