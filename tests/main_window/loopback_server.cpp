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
        case 404:
            return "Not Found";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

void SendAll(int socket, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}

}  // namespace

std::string RecordedRequest::header(const std::string& name) const {
    const std::string wanted = Lower(name) + ":";
    size_t start = head.find("\r\n");
    while (start != std::string::npos) {
        start += 2;
        const size_t end = head.find("\r\n", start);
        const std::string line = head.substr(start, end == std::string::npos ? end : end - start);
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

LoopbackServer::LoopbackServer() {
    openListener();
    m_acceptThread = std::thread([this] { acceptLoop(); });
}

LoopbackServer::~LoopbackServer() {
    m_stop = true;
    Release();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    const int listener = m_listener.exchange(-1);
    if (listener >= 0)
        ::close(listener);
    std::vector<std::thread> workers;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        workers.swap(m_workers);
    }
    for (std::thread& worker : workers)
        worker.join();
}

void LoopbackServer::openListener() {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener < 0)
        throw std::runtime_error("socket failed");
    const int yes = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(m_port));
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        ::close(listener);
        throw std::runtime_error(std::string("bind/listen failed: ") + std::strerror(errno));
    }
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_listener = listener;
}

std::string LoopbackServer::baseUrl() const {
    return "http://127.0.0.1:" + std::to_string(m_port);
}

void LoopbackServer::setReply(const std::string& target, CannedReply reply) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies[target] = std::move(reply);
}

void LoopbackServer::clearReplies() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_replies.clear();
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

void LoopbackServer::clearRequests() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_requests.clear();
}

void LoopbackServer::Release() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
    }
    m_releaseSignal.notify_all();
}

void LoopbackServer::Hold() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_released = false;
}

void LoopbackServer::setRefusing(bool refusing) {
    if (refusing) {
        const int listener = m_listener.exchange(-1);
        if (listener >= 0)
            ::close(listener);
    } else if (m_listener.load() < 0) {
        openListener();
    }
}

void LoopbackServer::acceptLoop() {
    while (!m_stop) {
        const int listener = m_listener.load();
        if (listener < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        pollfd watch{listener, POLLIN, 0};
        if (::poll(&watch, 1, 20) <= 0)
            continue;
        const int socket = ::accept(listener, nullptr, nullptr);
        if (socket < 0)
            continue;
        std::lock_guard<std::mutex> lock(m_mutex);
        m_workers.emplace_back([this, socket] { serve(socket); });
    }
}

void LoopbackServer::serve(int socket) {
    std::string head;
    char buffer[4096];
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (head.find("\r\n\r\n") == std::string::npos && !m_stop &&
           std::chrono::steady_clock::now() < deadline) {
        pollfd watch{socket, POLLIN, 0};
        if (::poll(&watch, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(socket, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        head.append(buffer, static_cast<size_t>(n));
    }
    const size_t headEnd = head.find("\r\n\r\n");
    if (headEnd == std::string::npos) {
        ::close(socket);
        return;
    }
    head.resize(headEnd + 2);
    RecordedRequest request;
    request.head = head;
    const std::string line = head.substr(0, head.find("\r\n"));
    const size_t first = line.find(' ');
    const size_t last = line.rfind(" HTTP/");
    if (first != std::string::npos && last != std::string::npos && last > first)
        request.target = line.substr(first + 1, last - first - 1);

    CannedReply reply;
    bool known = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_requests.push_back(request);
        auto found = m_replies.find(request.target);
        if (found != m_replies.end()) {
            reply = found->second;
            known = true;
        }
    }
    if (!known) {
        reply.status = 404;
        reply.body = "not here";
    }
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
    std::string out =
        "HTTP/1.1 " + std::to_string(reply.status) + " " + ReasonPhrase(reply.status) + "\r\n";
    for (const std::string& header : reply.headers)
        out += header + "\r\n";
    out += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    out += "Connection: close\r\n\r\n";
    out += reply.body;
    SendAll(socket, out);
    ::shutdown(socket, SHUT_WR);
    ::close(socket);
}
