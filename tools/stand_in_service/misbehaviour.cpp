#include "misbehaviour.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace {

struct ModeName {
    Misbehaviour mode;
    const char* name;
};

constexpr ModeName kModes[] = {
    {Misbehaviour::SilentVersion, "silent-version"},
    {Misbehaviour::SilentFeed, "silent-feed"},
    {Misbehaviour::SlowFeed, "slow-feed"},
    {Misbehaviour::SilentPictures, "silent-pictures"},
    {Misbehaviour::SilentSales, "silent-sales"},
    {Misbehaviour::EndlessChunked, "endless-chunked"},
    {Misbehaviour::FoldedHeaders, "folded-headers"},
    {Misbehaviour::FeedLineBreaks, "feed-line-breaks"},
};

constexpr char kVersionPath[] = "/software/zor_version.php";
constexpr char kFeedPath[] = "/software/zor2_items.php";
constexpr char kSalesPath[] = "/software/zor2_item.php";
constexpr char kPicturePrefix[] = "/pic/";
constexpr int kFoldedLines = 40000;

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

std::string PathOf(const std::string& target) {
    return target.substr(0, target.find('?'));
}

// Sends everything unless the client goes or the front stops.
bool SendAll(int socket, const std::string& bytes, const std::atomic<bool>& stop) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        if (stop)
            return false;
        const ssize_t n =
            ::send(socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            pollfd watch{socket, POLLOUT, 0};
            ::poll(&watch, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

// Waits, sending nothing, until the client goes, the front stops or `seconds` pass.
void StaySilent(int socket, const std::atomic<bool>& stop, int seconds) {
    char buffer[512];
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!stop && std::chrono::steady_clock::now() < end) {
        pollfd watch{socket, POLLIN, 0};
        if (::poll(&watch, 1, 100) > 0 && ::recv(socket, buffer, sizeof buffer, 0) <= 0)
            return;
    }
}

// The whole reply of the service behind for this request head (asked to close after it).
std::string AskBackend(int port, std::string head) {
    const size_t end = head.find("\r\n\r\n");
    head.insert(end, "\r\nConnection: close");
    const int socket = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    std::string reply;
    if (socket >= 0 &&
        ::connect(socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
        ::send(socket, head.data(), head.size(), MSG_NOSIGNAL);
        char buffer[16384];
        for (;;) {
            const ssize_t got = ::recv(socket, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            reply.append(buffer, static_cast<size_t>(got));
        }
    }
    if (socket >= 0)
        ::close(socket);
    return reply;
}

// Puts a line break and a header line of its own into the values of every other deal's
// picture URL and item id. Character references, so the XML reader hands back CR LF as such.
std::string BreakValues(const std::string& reply) {
    const size_t bodyStart = reply.find("\r\n\r\n");
    if (bodyStart == std::string::npos)
        return reply;
    std::string head = reply.substr(0, bodyStart + 4);
    std::string body = reply.substr(bodyStart + 4);
    const std::string injected =
        "&#13;&#10;X-Injected: 1&#13;&#10;&#13;&#10;GET /injected HTTP/1.1";
    int deal = 0;
    for (const char* close : {"</imagefile>", "</num_iid>"}) {
        deal = 0;
        for (size_t at = body.find(close); at != std::string::npos; at = body.find(close, at + 1)) {
            if (deal++ % 2 == 1) {
                body.insert(at, injected);
                at += injected.size();
            }
        }
    }
    // The body changed length: a length-framed reply gets its new length.
    const size_t length = head.find("Content-Length: ");
    if (length != std::string::npos) {
        const size_t lineEnd = head.find("\r\n", length);
        head.replace(length, lineEnd - length, "Content-Length: " + std::to_string(body.size()));
    }
    return head + body;
}

}  // namespace

std::optional<Misbehaviour> ReadMisbehaviour(const std::string& name) {
    for (const ModeName& mode : kModes)
        if (name == mode.name)
            return mode.mode;
    return std::nullopt;
}

const char* MisbehaviourNames() {
    return "silent-version, silent-feed, slow-feed, silent-pictures, silent-sales, "
           "endless-chunked, folded-headers, feed-line-breaks";
}

MisbehavingFront::MisbehavingFront(Misbehaviour mode, int backendPort, Log log)
    : m_mode(mode), m_backendPort(backendPort), m_log(std::move(log)) {}

int MisbehavingFront::Listen(const std::string& host, int port) {
    m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(m_listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1 ||
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(m_listener, 64) != 0)
        return -1;
    socklen_t length = sizeof address;
    ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
    return ntohs(address.sin_port);
}

void MisbehavingFront::Run() {
    while (!m_stop) {
        pollfd watch{m_listener, POLLIN, 0};
        if (::poll(&watch, 1, 200) <= 0)
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
            std::thread([this, client] { Serve(client); }).detach();
    }
    ::close(m_listener);
}

bool MisbehavingFront::Concerns(const std::string& target) const {
    const std::string path = PathOf(target);
    switch (m_mode) {
        case Misbehaviour::SilentVersion:
        case Misbehaviour::EndlessChunked:
            return path == kVersionPath;
        case Misbehaviour::SilentFeed:
        case Misbehaviour::SlowFeed:
        case Misbehaviour::FoldedHeaders:
        case Misbehaviour::FeedLineBreaks:
            return path == kFeedPath;
        case Misbehaviour::SilentPictures:
            return StartsWith(path, kPicturePrefix);
        case Misbehaviour::SilentSales:
            return path == kSalesPath;
    }
    return false;
}

void MisbehavingFront::Serve(int client) {
    // One request per connection: the program never sends a second on a connection it was
    // told to close, and every reply here says so or ends with the connection.
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 && !m_stop) {
        pollfd watch{client, POLLIN, 0};
        if (::poll(&watch, 1, 200) <= 0)
            continue;
        const ssize_t got = ::recv(client, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        head.append(buffer, static_cast<size_t>(got));
    }
    const size_t lineEnd = head.find("\r\n");
    if (head.find("\r\n\r\n") == std::string::npos || lineEnd == std::string::npos) {
        ::close(client);
        return;
    }
    const std::string requestLine = head.substr(0, lineEnd);
    const size_t space = requestLine.find(' ');
    const std::string target = requestLine.substr(space + 1, requestLine.rfind(' ') - space - 1);
    if (!Concerns(target)) {
        SendAll(client, AskBackend(m_backendPort, head), m_stop);
        ::shutdown(client, SHUT_WR);
        StaySilent(client, m_stop, 2);  // let the client read before the socket goes
        ::close(client);
        return;
    }

    m_log(requestLine.substr(0, requestLine.rfind(' ')) + " misbehaving\n");
    switch (m_mode) {
        case Misbehaviour::SilentVersion:
        case Misbehaviour::SilentFeed:
        case Misbehaviour::SilentPictures:
        case Misbehaviour::SilentSales:
            StaySilent(client, m_stop, 3600);
            break;
        case Misbehaviour::SlowFeed: {
            const std::string reply = AskBackend(m_backendPort, head);
            for (size_t i = 0; i < reply.size() && !m_stop; ++i) {
                if (!SendAll(client, reply.substr(i, 1), m_stop))
                    break;
                std::this_thread::sleep_for(std::chrono::seconds(1));
            }
            break;
        }
        case Misbehaviour::EndlessChunked: {
            const std::string chunk = "4000\r\n" + std::string(0x4000, '3') + "\r\n";
            if (SendAll(client, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", m_stop))
                while (SendAll(client, chunk, m_stop)) {
                }
            break;
        }
        case Misbehaviour::FoldedHeaders: {
            const std::string reply = AskBackend(m_backendPort, head);
            const size_t statusEnd = reply.find("\r\n");
            std::string folded = "X-Folded: start\r\n";
            for (int i = 0; i < kFoldedLines; ++i)
                folded += " x\r\n";
            if (statusEnd != std::string::npos)
                SendAll(client,
                        reply.substr(0, statusEnd + 2) + folded + reply.substr(statusEnd + 2),
                        m_stop);
            break;
        }
        case Misbehaviour::FeedLineBreaks:
            SendAll(client, BreakValues(AskBackend(m_backendPort, head)), m_stop);
            break;
    }
    ::shutdown(client, SHUT_WR);
    StaySilent(client, m_stop, 2);
    ::close(client);
}
