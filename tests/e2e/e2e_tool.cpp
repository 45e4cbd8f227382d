// zorvia-e2e-tool: helpers for the end-to-end tests that the shell cannot do on its own.
//
//   record --port-file F --out PREFIX [--body TEXT]
//       A recording HTTP server on 127.0.0.1 (free port written to F). The raw bytes of the
//       n-th request, up to and including its empty line, go to PREFIX.n; every request is
//       answered 200 with TEXT (default 3.0.0.0) and the connection is closed.
//   gate --port-file F --forward PORT [--reset-first N]
//       A TCP relay on 127.0.0.1 (free port written to F) to 127.0.0.1:PORT, except for the
//       first N connections (default 1), which are reset at once: to the program the service
//       is unreachable for its first request and there for the following ones.
//   splash-text --shot PNG --expect TEXT [--unlike TEXT]...
//       Reads the splash window's version line from a screenshot of the window: renders TEXT
//       the way the window lays it out (in its own 13-pixel font at 24,120 over white) on this
//       display and compares the dark pixels of the label band. Succeeds when the screenshot
//       matches TEXT and matches none of the --unlike texts.
//   close --window ID
//       Asks the window manager to close the window (_NET_CLOSE_WINDOW), as its close button
//       would: the program gets a polite close request, no key focus is needed.
//   Both servers stop after --max-seconds (default 120) or on SIGTERM.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QWidget>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "views/fonts.h"

namespace {

struct Args {
    std::vector<std::string> words;
    std::string get(const std::string& name, const std::string& fallback = {}) const {
        for (size_t i = 0; i + 1 < words.size(); ++i)
            if (words[i] == name)
                return words[i + 1];
        return fallback;
    }
    std::vector<std::string> all(const std::string& name) const {
        std::vector<std::string> found;
        for (size_t i = 0; i + 1 < words.size(); ++i)
            if (words[i] == name)
                found.push_back(words[i + 1]);
        return found;
    }
};

int ListenLoopback(int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 16) != 0) {
        ::close(fd);
        return -1;
    }
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

void writePortFile(const std::string& path, int port) {
    const std::string temporary = path + ".part";
    std::ofstream(temporary) << port << "\n";
    std::rename(temporary.c_str(), path.c_str());
}

// Waits for a connection until the deadline; -1 when none came.
int acceptUntil(int listener, std::chrono::steady_clock::time_point deadline) {
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd p{listener, POLLIN, 0};
        if (::poll(&p, 1, 100) > 0)
            return ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    }
    return -1;
}

bool SendAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t sent = ::send(fd, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

int Record(const Args& args) {
    const std::string prefix = args.get("--out");
    const std::string body = args.get("--body", "3.0.0.0");
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(std::stoi(args.get("--max-seconds", "120")));
    int port = 0;
    const int listener = ListenLoopback(port);
    if (listener < 0 || prefix.empty())
        return 2;
    writePortFile(args.get("--port-file"), port);
    for (int n = 1;; ++n) {
        const int fd = acceptUntil(listener, deadline);
        if (fd < 0)
            break;
        std::string bytes;
        char buffer[4096];
        // The request ends at its empty line; a GET of this program carries no body.
        while (bytes.find("\r\n\r\n") == std::string::npos && bytes.size() < 65536) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0)
                break;
            const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            bytes.append(buffer, static_cast<size_t>(got));
        }
        std::ofstream(prefix + "." + std::to_string(n), std::ios::binary) << bytes;
        const std::string reply =
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
            std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
        SendAll(fd, reply.data(), reply.size());
        ::shutdown(fd, SHUT_WR);
        ::close(fd);
    }
    ::close(listener);
    return 0;
}

void Relay(int client, int forwardPort) {
    const int server = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(forwardPort));
    if (server < 0 ||
        ::connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (server >= 0)
            ::close(server);
        ::close(client);
        return;
    }
    pollfd fds[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
    char buffer[32768];
    bool open[2] = {true, true};
    while (open[0] || open[1]) {
        fds[0].events = open[0] ? POLLIN : 0;
        fds[1].events = open[1] ? POLLIN : 0;
        if (::poll(fds, 2, 120000) <= 0)
            break;
        for (int side = 0; side < 2; ++side) {
            if (!open[side] || !(fds[side].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            const ssize_t got = ::recv(fds[side].fd, buffer, sizeof buffer, 0);
            if (got <= 0) {
                open[side] = false;
                ::shutdown(fds[1 - side].fd, SHUT_WR);
                continue;
            }
            if (!SendAll(fds[1 - side].fd, buffer, static_cast<size_t>(got)))
                open[0] = open[1] = false;
        }
    }
    ::close(server);
    ::close(client);
}

int Gate(const Args& args) {
    const int forwardPort = std::stoi(args.get("--forward", "0"));
    int resetLeft = std::stoi(args.get("--reset-first", "1"));
    const auto deadline = std::chrono::steady_clock::now() +
                          std::chrono::seconds(std::stoi(args.get("--max-seconds", "120")));
    int port = 0;
    const int listener = ListenLoopback(port);
    if (listener < 0 || forwardPort <= 0)
        return 2;
    writePortFile(args.get("--port-file"), port);
    for (;;) {
        const int fd = acceptUntil(listener, deadline);
        if (fd < 0)
            break;
        if (resetLeft > 0) {
            --resetLeft;
            // Linger 0: close sends a reset instead of an orderly end.
            const linger hard{1, 0};
            ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
            ::close(fd);
            continue;
        }
        std::thread(Relay, fd, forwardPort).detach();
    }
    ::close(listener);
    return 0;
}

// The version line as the splash window would show it, on white.
QImage RenderVersionLine(const QString& text) {
    QWidget window;
    window.setFixedSize(380, 150);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, Qt::black);
    window.setPalette(palette);
    window.setAutoFillBackground(true);
    QLabel label(&window);
    label.setFont(PixelFont(kSansFace, 13));
    label.setText(text);
    label.move(24, 120);
    label.adjustSize();
    QImage image(380, 150, QImage::Format_RGB32);
    image.fill(Qt::white);
    window.render(&image);
    return image;
}

bool Dark(QRgb pixel) {
    return qGray(pixel) < 160;
}

// Pixels of the label band (rows 112-145, the frame columns left out) that are dark in one
// picture and not in the other.
int Mismatch(const QImage& shot, const QImage& expected) {
    int differing = 0;
    for (int y = 112; y < 146; ++y)
        for (int x = 2; x < 378; ++x)
            if (Dark(shot.pixel(x, y)) != Dark(expected.pixel(x, y)))
                ++differing;
    return differing;
}

int InkOf(const QImage& picture) {
    int ink = 0;
    for (int y = 112; y < 146; ++y)
        for (int x = 2; x < 378; ++x)
            if (Dark(picture.pixel(x, y)))
                ++ink;
    return ink;
}

int SplashText(int argc, char** argv, const Args& args) {
    QApplication app(argc, argv);
    RegisterFontSubstitutions();
    QImage shot(QString::fromStdString(args.get("--shot")));
    if (shot.isNull() || shot.width() < 380 || shot.height() < 150) {
        std::fprintf(stderr, "splash-text: no 380x150 screenshot in %s\n",
                     args.get("--shot").c_str());
        return 1;
    }
    shot = shot.convertToFormat(QImage::Format_RGB32);
    const QString expected = QString::fromStdString(args.get("--expect"));
    const QImage wanted = RenderVersionLine(expected);
    // A few pixels of difference are allowed for JPEG noise in the artwork around the line; a
    // different text differs by whole glyphs (dozens of pixels each).
    const int tolerance = 6;
    const int own = Mismatch(shot, wanted);
    std::printf("splash-text: '%s' differs in %d pixels (ink %d on screen, %d expected)\n",
                expected.toUtf8().constData(), own, InkOf(shot), InkOf(wanted));
    bool ok = own <= tolerance;
    for (const std::string& other : args.all("--unlike")) {
        const int score = Mismatch(shot, RenderVersionLine(QString::fromStdString(other)));
        std::printf("splash-text: '%s' differs in %d pixels\n", other.c_str(), score);
        if (score <= own || score <= tolerance)
            ok = false;
    }
    std::printf("splash-text: %s\n", ok ? "match" : "NO MATCH");
    return ok ? 0 : 1;
}

}  // namespace

// In x11_close.cpp: Xlib's macros must stay away from Qt's headers.
int CloseWindowPolitely(unsigned long window);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zorvia-e2e-tool record|gate|splash-text|close ...\n");
        return 2;
    }
    Args args;
    for (int i = 2; i < argc; ++i)
        args.words.push_back(argv[i]);
    const std::string command = argv[1];
    if (command == "record")
        return Record(args);
    if (command == "gate")
        return Gate(args);
    if (command == "close")
        return CloseWindowPolitely(std::stoul(args.get("--window", "0"), nullptr, 0));
    if (command == "splash-text") {
        int qtArgc = 1;
        return SplashText(qtArgc, argv, args);
    }
    std::fprintf(stderr, "zorvia-e2e-tool: unknown command %s\n", command.c_str());
    return 2;
}
