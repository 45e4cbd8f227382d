// A minimal loopback HTTP server for the download benchmark: every request gets the same body of
// the given size with a Content-Length, after which the connection is closed. It prints its port
// on the first line of its output and serves until it is stopped.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool SendAll(int fd, const char* data, std::size_t len) {
    while (len > 0) {
        ssize_t n = ::send(fd, data, len, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        len -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BODY_BYTES\n", argv[0]);
        return 2;
    }
    const unsigned long long total = std::strtoull(argv[1], nullptr, 10);
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<char>((i * 131) >> 3);

    int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener, 16) != 0) {
        std::perror("listen");
        return 1;
    }
    socklen_t len = sizeof addr;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&addr), &len);
    std::printf("%d\n", ntohs(addr.sin_port));
    std::fflush(stdout);

    for (;;) {
        int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            continue;
        std::string request;
        char buf[4096];
        while (request.find("\r\n\r\n") == std::string::npos) {
            ssize_t n = ::recv(fd, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            request.append(buf, static_cast<std::size_t>(n));
        }
        std::string head =
            "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
            std::to_string(total) + "\r\nConnection: close\r\n\r\n";
        bool ok = SendAll(fd, head.data(), head.size());
        for (unsigned long long sent = 0; ok && sent < total;) {
            std::size_t n =
                total - sent < block.size() ? static_cast<std::size_t>(total - sent) : block.size();
            ok = SendAll(fd, block.data(), n);
            sent += n;
        }
        ::shutdown(fd, SHUT_WR);
        while (::recv(fd, buf, sizeof buf, 0) > 0) {
        }
        ::close(fd);
    }
}
