#include "services/http/socket_stream.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <algorithm>
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

// Milliseconds left until the deadline (at least 0), or -1 for none.
int MsUntil(Clock::time_point deadline) {
    if (deadline == Clock::time_point::max())
        return -1;
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// The smaller of two wait bounds, where -1 means none.
int Sooner(int a, int b) {
    if (a < 0)
        return b;
    if (b < 0)
        return a;
    return std::min(a, b);
}

[[noreturn]] void ThrowClosing() {
    throw ZorviaError(kProgramClosing);
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

SocketStream::SocketStream(const std::string& host, int port, int connectTimeLimitMs,
                           Clock::time_point deadline)
    : m_host(host), m_port(port), m_deadline(deadline) {
    // Resolution happens before the connect and dispatches nothing.
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<uint16_t>(port));
    peer.sin_addr.s_addr = static_cast<in_addr_t>(ResolveIPv4(host));

    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        ThrowSocketError(errno);
    auto fail = [this](const std::string& message) {
        ::close(m_fd);
        m_fd = -1;
        throw ZorviaError(message);
    };
    int rc = ::connect(m_fd, reinterpret_cast<sockaddr*>(&peer), sizeof peer);
    int err = rc == 0 ? 0 : errno;
    if (err == EINPROGRESS || err == EINTR) {
        Clock::time_point start = Clock::now();
        for (;;) {
            const bool sliced = AntiFreeze::InForce();
            int remaining = MsUntil(m_deadline);
            if (sliced)
                remaining = Sooner(remaining, std::max(0, connectTimeLimitMs - MsSince(start)));
            if (remaining == 0)
                fail(kConnectTimedOut);
            // Off the user-interface thread too the wait is cut into slices, only to notice the
            // program closing: a worker's download must not outlive it by a whole time limit.
            int slice = Sooner(remaining, AntiFreeze::ConnectSliceMs);
            int r = PollOnce(m_fd, POLLOUT, slice);
            if (r > 0)
                break;
            if (r < 0)
                fail(SocketErrorMessage(errno));
            if (sliced)
                DispatchPendingEvents();
            if (AntiFreeze::Quitting())
                fail(kProgramClosing);
        }
        socklen_t len = sizeof err;
        if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0)
            err = errno;
    }
    if (err != 0)
        fail(SocketErrorMessage(err));
}

SocketStream::~SocketStream() {
    if (m_fd >= 0)
        ::close(m_fd);
}

void SocketStream::Shutdown() {
    m_shutDown = true;
    if (m_fd >= 0)
        ::shutdown(m_fd, SHUT_RDWR);
}

void SocketStream::SetLimits(int idleLimitMs, Clock::time_point deadline) {
    m_idleLimitMs = idleLimitMs;
    m_deadline = deadline;
}

void SocketStream::WaitFor(short events, int waitLimitMs) {
    Clock::time_point start = Clock::now();
    for (;;) {
        if (m_shutDown)
            throw ZorviaError("Connection Closed Gracefully.");
        if (AntiFreeze::Quitting())
            ThrowClosing();
        bool sliced = AntiFreeze::InForce();
        const int waited = MsSince(start);
        int timeout = -1;
        if (waitLimitMs >= 0) {
            timeout = waitLimitMs - waited;
            if (timeout <= 0)
                throw ZorviaError("Read Timeout");
        }
        // Silence and the request's own end are bounded whatever the caller asked for.
        int limit = Sooner(m_idleLimitMs < 0 ? -1 : std::max(0, m_idleLimitMs - waited),
                           MsUntil(m_deadline));
        if (limit == 0)
            throw ZorviaError(kReadTimedOut);
        timeout = Sooner(timeout, limit);
        // Sliced on every thread, so that the quitting test above comes round; events are only
        // dispatched on the user-interface thread.
        timeout = Sooner(timeout, AntiFreeze::IdleTimeOutMs);
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
        // Ended by Disconnect: what has not arrived by now never will, and must not pass for
        // the end of the reply.
        if (m_shutDown)
            throw ZorviaError("Connection Closed Gracefully.");
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
