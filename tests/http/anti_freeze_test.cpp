// While the responsiveness hook is in force, a request that waits lets the event loop run:
// timers keep firing, and handlers that run meanwhile meet a busy client.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QTimer>
#include <thread>

#include "loopback_server.h"
#include "services/errors.h"
#include "services/http/anti_freeze.h"
#include "services/http/http_client.h"
#include "test_support.h"

namespace {

const char kHeldReply[] = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nheld";

TEST(AntiFreezeHook, InForceOnlyWhileAliveAndOnTheApplicationThread) {
    EXPECT_FALSE(AntiFreeze::InForce());
    {
        AntiFreeze outer;
        EXPECT_TRUE(AntiFreeze::InForce());
        bool inForceElsewhere = true;
        std::thread([&] { inForceElsewhere = AntiFreeze::InForce(); }).join();
        EXPECT_FALSE(inForceElsewhere);
        { AntiFreeze inner; }
        EXPECT_TRUE(AntiFreeze::InForce()) << "the outer hook still lives";
    }
    EXPECT_FALSE(AntiFreeze::InForce());
}

TEST(AntiFreezeHook, TimerKeepsFiringWhileReplyIsHeldBack) {
    LoopbackServer server({Held(RawReply(kHeldReply))});
    HttpClient client;
    AntiFreeze hook;
    int ticksWhileBusy = 0;
    QTimer timer;
    timer.setInterval(40);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (client.busy() && ++ticksWhileBusy == 3)
            server.release();  // only a timer that really fires gets the reply going
    });
    timer.start();
    EXPECT_EQ(FetchText(client, server.url("/")), "held");
    EXPECT_GE(ticksWhileBusy, 3);
}

TEST(AntiFreezeHook, WithoutItWaitsBlockOutright) {
    LoopbackServer server({Held(RawReply(kHeldReply))});
    HttpClient client;
    int ticksWhileBusy = 0;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (client.busy())
            ++ticksWhileBusy;
    });
    timer.start();
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        server.release();
    });
    EXPECT_EQ(FetchText(client, server.url("/")), "held");
    releaser.join();
    EXPECT_EQ(ticksWhileBusy, 0);
}

TEST(AntiFreezeHook, BusyClientRefusesASecondRequest) {
    LoopbackServer server({Held(RawReply(kHeldReply)),
                           RawReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nextra")});
    HttpClient client;
    AntiFreeze hook;
    std::string refusal;
    bool tried = false;
    QTimer timer;
    timer.setInterval(30);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!client.busy() || tried)
            return;
        tried = true;
        try {
            FetchText(client, server.url("/second"));
        } catch (const ZorviaError& e) {
            refusal = e.what();
        }
        EXPECT_TRUE(client.busy()) << "the refused request must not clear the first one's flag";
        server.release();
    });
    timer.start();
    EXPECT_EQ(FetchText(client, server.url("/first")), "held");
    EXPECT_TRUE(tried);
    EXPECT_EQ(refusal, "The connection is still busy with another request.");
    EXPECT_EQ(server.connections(), 1);
    EXPECT_FALSE(client.busy());
}

TEST(AntiFreezeHook, DisconnectWhileWaitingEndsTheRequest) {
    LoopbackServer server({Held(RawReply(kHeldReply)),
                           RawReply("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nagain")});
    HttpClient client;
    AntiFreeze hook;
    WhileBusy disconnect(client, [&] { Disconnect(client); });
    try {
        FetchText(client, server.url("/"));
        ADD_FAILURE() << "the request outlived its connection";
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "Connection Closed Gracefully.");
    }
    disconnect.stop();
    server.release();
    EXPECT_FALSE(client.busy());
    EXPECT_EQ(FetchText(client, server.url("/")), "again");
}

// A loopback listener whose accept queue is full: the kernel drops further connection attempts,
// so a connect neither succeeds nor fails until the client gives up.
class FullBacklog {
public:
    FullBacklog() {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::listen(m_listener, 0);
        socklen_t len = sizeof addr;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len);
        m_addr = addr;
        // Connect until one attempt hangs; a kernel that keeps accepting gets a few more tries.
        for (int i = 0; i < 8 && !m_full; ++i) {
            int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&m_addr), sizeof m_addr);
            pollfd p{fd, POLLOUT, 0};
            int err = 0;
            socklen_t errLen = sizeof err;
            if (::poll(&p, 1, 300) > 0 &&
                ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &errLen) == 0 && err == 0) {
                m_fillers.push_back(fd);
            } else {
                ::close(fd);
                m_full = true;
            }
        }
    }
    ~FullBacklog() {
        for (int fd : m_fillers)
            ::close(fd);
        ::close(m_listener);
    }
    bool full() const { return m_full; }
    int port() const { return ntohs(m_addr.sin_port); }

private:
    int m_listener = -1;
    sockaddr_in m_addr{};
    std::vector<int> m_fillers;
    bool m_full = false;
};

TEST(AntiFreezeHook, ConnectGivesUpAtItsLimit) {
    FullBacklog backlog;
    if (!backlog.full())
        GTEST_SKIP() << "this kernel accepts connections beyond the listen backlog";
    HttpClient client;
    client.Limits.ConnectTimeLimitMs = 600;
    AntiFreeze hook;
    int ticksWhileBusy = 0;
    const WhileBusy count(client, [&] { ++ticksWhileBusy; });
    try {
        FetchText(client, "http://127.0.0.1:" + std::to_string(backlog.port()) + "/");
        ADD_FAILURE() << "connected past a full backlog";
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "Connect timed out.");
    }
    EXPECT_GE(ticksWhileBusy, 1) << "events are dispatched while the connect waits";
    EXPECT_FALSE(client.busy());
}

}  // namespace

namespace {

// A caller's deadline bounds the connect as well, hook or not: without it a connect that never
// ends would hold the version request for as long as the system cares to try.
TEST(RequestDeadline, BoundsTheConnectWithoutTheHook) {
    FullBacklog backlog;
    if (!backlog.full())
        GTEST_SKIP() << "this kernel accepts connections beyond the listen backlog";
    ASSERT_FALSE(AntiFreeze::InForce());
    HttpClient client;
    client.Limits.Deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(400);
    try {
        FetchText(client, "http://127.0.0.1:" + std::to_string(backlog.port()) + "/");
        ADD_FAILURE() << "connected past a full backlog";
    } catch (const ZorviaError& e) {
        EXPECT_EQ(std::string(e.what()), "Connect timed out.");
    }
}

}  // namespace
