#include "loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

namespace {

constexpr size_t kMaxHead = 65536;

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

const char* ReasonPhrase(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
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

// A listening socket on 127.0.0.1:port (0 picks a free port, written back); -1 on failure.
int OpenListener(int& port) {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0)
        return -1;
    const int on = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        ::close(listener);
        return -1;
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}

CannedReply NotFound() {
    CannedReply reply;
    reply.status = 404;
    reply.body = "not here";
    return reply;
}

std::string TargetOf(const std::string& head) {
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t first = line.find(' ');
    // The last " HTTP/" ends the target, so a target with a space in it is kept whole.
    const size_t last = line.rfind(" HTTP/");
    if (first == std::string::npos || last == std::string::npos || last <= first)
        return {};
    return line.substr(first + 1, last - first - 1);
}

}  // namespace

CannedReply RawReply(std::string bytes) {
    CannedReply reply;
    reply.raw = std::move(bytes);
    return reply;
}

CannedReply Held(CannedReply reply) {
    reply.holdUntilReleased = true;
    return reply;
}

CannedReply KeptOpen(CannedReply reply) {
    reply.keepOpen = true;
    return reply;
}

CannedReply HeldOpenAfter(CannedReply reply, int ms) {
    reply.holdAfterMs = ms;
    return reply;
}

CannedReply StallReply() {
    CannedReply reply;
    reply.stall = true;
    return reply;
}

CannedReply TrickleReply(std::string bytes, int intervalMs) {
    CannedReply reply = RawReply(std::move(bytes));
    reply.trickleMs = intervalMs;
    return reply;
}

CannedReply EndlessChunkedReply(int status) {
    CannedReply reply = RawReply("HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) +
                                 "\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::string chunk = "4000\r\n" + std::string(0x4000, 'c') + "\r\n";
    reply.endless = [chunk] { return chunk; };
    return reply;
}

CannedReply EndlessBodyReply() {
    CannedReply reply = RawReply("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\n\r\n");
    const std::string block(0x4000, 'e');
    reply.endless = [block] { return block; };
    return reply;
}

CannedReply FoldedHeaderReply(int lines) {
    std::string head = "HTTP/1.1 200 OK\r\nX-Folded: start\r\n";
    for (int i = 0; i < lines; ++i)
        head += " x\r\n";
    return RawReply(head + "Content-Length: 2\r\n\r\nok");
}

CannedReply HugeHeaderReply(size_t bytes) {
    std::string head = "HTTP/1.1 200 OK\r\n";
    const std::string line = "X-Filler: " + std::string(1024 - 12, 'h') + "\r\n";
    while (head.size() < bytes)
        head += line;
    return RawReply(head + "Content-Length: 2\r\n\r\nok");
}

CannedReply LyingLengthReply(size_t announced, size_t sent) {
    return RawReply("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(announced) + "\r\n\r\n" +
                    std::string(sent, 'l'));
}

std::string RecordedRequest::header(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    const size_t headEnd = raw.find("\r\n\r\n");
    const std::string head = raw.substr(0, headEnd == std::string::npos ? raw.size() : headEnd);
    // Header lines follow the request line; each starts after a line end.
    size_t start = head.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const size_t end = head.find("\r\n", start);
        const std::string line =
            head.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (Lower(line.substr(0, wanted.size())) == wanted) {
            std::string value = line.substr(wanted.size());
            while (!value.empty() && value.front() == ' ')
                value.erase(value.begin());
            return value;
        }
        start = end;
    }
    return {};
}

LoopbackServer::LoopbackServer(std::vector<CannedReply> script) : LoopbackServer() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_script = std::move(script);
}

LoopbackServer::LoopbackServer() {
    const int listener = OpenListener(m_port);
    if (listener < 0)
        throw std::runtime_error(std::string("loopback listener: ") + std::strerror(errno));
    m_acceptThread = std::thread([this, listener] { acceptLoop(listener); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_control.notify_all();
    m_releaseSignal.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    reapWorkers(true);
}

std::string LoopbackServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LoopbackServer::setReply(const std::string& target, CannedReply reply) {
    setHandler(target, [reply = std::move(reply)](const RecordedRequest&) { return reply; });
}

void LoopbackServer::setHandler(const std::string& target, Handler handler) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes[target] = std::move(handler);
}

void LoopbackServer::setFallback(CannedReply reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fallback = [reply = std::move(reply)](const RecordedRequest&) { return reply; };
}

void LoopbackServer::clearReplies() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_routes.clear();
    m_fallback = nullptr;
}

std::vector<RecordedRequest> LoopbackServer::requests() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_requests;
}

std::vector<RecordedRequest> LoopbackServer::requestsFor(const std::string& targetPrefix) const {
    std::vector<RecordedRequest> result;
    for (const RecordedRequest& request : requests()) {
        if (request.target.compare(0, targetPrefix.size(), targetPrefix) == 0)
            result.push_back(request);
    }
    return result;
}

int LoopbackServer::hits(const std::string& target) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    int count = 0;
    for (const RecordedRequest& request : m_requests) {
        if (request.target == target)
            ++count;
    }
    return count;
}

void LoopbackServer::clearRequests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

void LoopbackServer::release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
    }
    m_releaseSignal.notify_all();
}

void LoopbackServer::hold() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = false;
}

void LoopbackServer::stopListening() {
    setListening(false);
}

bool LoopbackServer::resumeListening() {
    return setListening(true);
}

bool LoopbackServer::setListening(bool on) {
    std::unique_lock<std::mutex> lock(m_mutex);
    // Most calls find the port as asked already; they need not wait for the accept thread.
    if (m_wantListening == on && m_listening == on && m_controlDone == m_controlAsked)
        return true;
    m_wantListening = on;
    const uint64_t ticket = ++m_controlAsked;
    m_control.notify_all();
    m_control.wait(lock, [&] { return m_controlDone >= ticket || m_stop.load(); });
    return m_listening == on;
}

void LoopbackServer::acceptLoop(int listener) {
    for (;;) {
        bool want = false;
        uint64_t ticket = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop)
                break;
            want = m_wantListening;
            ticket = m_controlAsked;
        }
        if (!want && listener >= 0) {
            ::close(listener);
            listener = -1;
        } else if (want && listener < 0) {
            int port = m_port;
            listener = OpenListener(port);
        }
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_listening = listener >= 0;
            m_controlDone = ticket;
        }
        m_control.notify_all();

        if (listener < 0) {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_control.wait_for(lock, std::chrono::milliseconds(20),
                               [&] { return m_stop.load() || m_controlAsked != ticket; });
            continue;
        }
        pollfd watch{listener, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0)
            continue;
        const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (socket < 0)
            continue;
        reapWorkers(false);
        Worker& worker = m_workers.emplace_back();
        worker.thread = std::thread([this, socket, &worker] {
            serve(socket);
            worker.done = true;
        });
    }
    if (listener >= 0)
        ::close(listener);
}

void LoopbackServer::reapWorkers(bool all) {
    for (auto it = m_workers.begin(); it != m_workers.end();) {
        if (all || it->done) {
            it->thread.join();
            it = m_workers.erase(it);
        } else {
            ++it;
        }
    }
}

bool LoopbackServer::sendAll(int socket, const char* data, size_t size) {
    while (size > 0) {
        if (m_stop)
            return false;
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            data += sent;
            size -= static_cast<size_t>(sent);
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            // A client that stops reading must not hold this thread past the server's end.
            pollfd watch{socket, POLLOUT, 0};
            ::poll(&watch, 1, 50);
            continue;
        }
        return false;
    }
    return true;
}

void LoopbackServer::linger(int socket, int ms) {
    char buffer[4096];
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_stop && std::chrono::steady_clock::now() < end) {
        pollfd watch{socket, POLLIN, 0};
        const int ready = ::poll(&watch, 1, 50);
        if (ready < 0)
            return;
        if (ready > 0 && ::recv(socket, buffer, sizeof buffer, MSG_DONTWAIT) == 0)
            return;  // the client has gone
    }
}

CannedReply LoopbackServer::replyFor(const RecordedRequest& request) {
    Handler handler;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        if (m_scriptNext < m_script.size())
            return m_script[m_scriptNext++];
        const auto found = m_routes.find(request.target);
        handler = found != m_routes.end() ? found->second : m_fallback;
    }
    return handler ? handler(request) : NotFound();
}

void LoopbackServer::serve(int socket) {
    const int connection = m_connections.fetch_add(1);
    char buffer[4096];
    std::string pending;  // bytes of the next request read along with the last one
    for (;;) {
        RecordedRequest request;
        request.connection = connection;
        request.raw = std::move(pending);
        pending.clear();
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (request.raw.find("\r\n\r\n") == std::string::npos && request.raw.size() < kMaxHead &&
               !m_stop && std::chrono::steady_clock::now() < deadline) {
            pollfd watch{socket, POLLIN, 0};
            if (::poll(&watch, 1, 50) <= 0)
                continue;
            const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            request.raw.append(buffer, static_cast<size_t>(got));
        }
        const size_t headEnd = request.raw.find("\r\n\r\n");
        if (headEnd == std::string::npos) {
            ::close(socket);
            return;
        }
        request.target = TargetOf(request.raw);
        const CannedReply reply = replyFor(request);

        if (reply.delayMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(reply.delayMs));
        if (reply.holdUntilReleased) {
            ++m_held;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_releaseSignal.wait_for(lock, std::chrono::seconds(20),
                                     [this] { return m_released || m_stop.load(); });
            lock.unlock();
            --m_held;
        }
        if (reply.stall)
            linger(socket, 1 << 30);
        if (reply.hangUp || reply.stall) {
            ::close(socket);
            return;
        }
        bool sent = true;
        if (reply.raw) {
            if (reply.trickleMs > 0) {
                for (size_t i = 0; sent && i < reply.raw->size(); ++i) {
                    sent = sendAll(socket, reply.raw->data() + i, 1);
                    std::this_thread::sleep_for(std::chrono::milliseconds(reply.trickleMs));
                }
            } else {
                sent = sendAll(socket, *reply.raw);
            }
        } else {
            std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                               ReasonPhrase(reply.status) + "\r\n";
            for (const std::string& header : reply.headers)
                head += header + "\r\n";
            head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
            if (!reply.keepOpen)
                head += "Connection: close\r\n";
            head += "\r\n";
            sendAll(socket, head);
            const size_t first =
                reply.pauseMidBodyMs > 0 ? reply.body.size() / 2 : reply.body.size();
            sendAll(socket, reply.body.data(), first);
            if (reply.pauseMidBodyMs > 0) {
                linger(socket, reply.pauseMidBodyMs);
                sendAll(socket, reply.body.data() + first, reply.body.size() - first);
            }
        }
        while (sent && reply.endless) {
            const std::string more = reply.endless();
            if (more.empty())
                break;
            sent = sendAll(socket, more);
        }
        if (reply.holdAfterMs > 0)
            linger(socket, reply.holdAfterMs);
        if (!reply.keepOpen)
            break;
        pending = request.raw.substr(headEnd + 4);
    }
    ::shutdown(socket, SHUT_WR);
    // Let the client read everything before the socket goes: closing with its bytes unread
    // would reset the connection. Ends when the client closes or stays quiet for a second.
    int quietMs = 0;
    while (!m_stop && quietMs < 1000) {
        pollfd watch{socket, POLLIN, 0};
        const int ready = ::poll(&watch, 1, 50);
        if (ready < 0)
            break;
        if (ready == 0) {
            quietMs += 50;
            continue;
        }
        if (::recv(socket, buffer, sizeof buffer, 0) <= 0)
            break;
        quietMs = 0;
    }
    ::close(socket);
}

RefusingPort::RefusingPort() {
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (m_fd < 0 || ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw std::runtime_error("refusing port: cannot bind");
    socklen_t length = sizeof address;
    ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
    ::close(m_fd);
}

int FreeLoopbackPort() {
    int port = 0;
    const int listener = OpenListener(port);
    if (listener < 0)
        throw std::runtime_error("no free loopback port");
    ::close(listener);
    return port;
}
