// Through a real proxy to a real server: Debian's tinyproxy and Python's http.server, both
// started on 127.0.0.1 by the test, the proxy taken from the per-user setting file.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "loopback_server.h"
#include "services/errors.h"
#include "services/http/http_client.h"
#include "test_support.h"

extern char** environ;

namespace {

// A helper program run for the length of one test, its output sent to a log file.
class Peer {
public:
    Peer(const std::vector<std::string>& argv, const std::string& logPath) {
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&m_pid, args[0], &actions, nullptr, args.data(), environ) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Peer() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid)
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

    bool started() const { return m_pid > 0; }
    bool running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }

private:
    pid_t m_pid = -1;
};

bool AcceptsConnections(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(static_cast<uint16_t>(port));
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

bool WaitForListener(const Peer& peer, int port) {
    for (int i = 0; i < 200; ++i) {
        if (AcceptsConnections(port))
            return true;
        if (!peer.running())
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
}

std::string PseudoRandomBytes(std::size_t n) {
    std::string out(n, '\0');
    std::uint32_t x = 0x2545F491u;
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        c = static_cast<char>(x & 0xff);
    }
    return out;
}

TEST(RealPeers, ThroughTinyproxyFromPythonServer) {
    if (::access("/usr/bin/tinyproxy", X_OK) != 0)
        GTEST_SKIP() << "tinyproxy is not installed";

    TempDir dir;
    std::filesystem::create_directories(dir / "www/software");
    std::filesystem::create_directories(dir / "www/pictures");
    const std::string version = "3.0.0.0";
    // A feed in GBK with its declaration, and a picture-sized binary with every byte value.
    const std::string feed =
        "<?xml version=\"1.0\" "
        "encoding=\"GBK\"?>\r\n<items><item><nick>\xc9\xcc\xbc\xd2</nick></item></items>\r\n";
    const std::string picture = PseudoRandomBytes(3 * 1024 * 1024 + 17);
    WriteWholeFile(dir / "www/software/zor_version.php", version);
    WriteWholeFile(dir / "www/software/zor2_items.php", feed);
    WriteWholeFile(dir / "www/pictures/deal.jpg_250x250.jpg", picture);

    const int webPort = FreeLoopbackPort();
    Peer web({"python3", "-m", "http.server", "--bind", "127.0.0.1", std::to_string(webPort),
              "--directory", dir / "www"},
             dir / "web.log");
    if (!web.started())
        GTEST_SKIP() << "python3 is not available";
    ASSERT_TRUE(WaitForListener(web, webPort)) << ReadWholeFile(dir / "web.log");

    const int proxyPort = FreeLoopbackPort();
    WriteWholeFile(dir / "tinyproxy.conf", "Port " + std::to_string(proxyPort) +
                                               "\nListen 127.0.0.1\nTimeout 30\nMaxClients 8\n"
                                               "Allow 127.0.0.1\nLogLevel Connect\nLogFile \"" +
                                               dir / "proxy-requests.log" + "\"\n");
    Peer proxy({"/usr/bin/tinyproxy", "-d", "-c", dir / "tinyproxy.conf"}, dir / "proxy.log");
    ASSERT_TRUE(WaitForListener(proxy, proxyPort)) << ReadWholeFile(dir / "proxy.log");

    ScopedEnv config("XDG_CONFIG_HOME", (dir / "config").c_str());
    std::filesystem::create_directories(dir / "config/zorvia");
    WriteWholeFile(
        dir / "config/zorvia/internet-settings.reg",
        "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
        "\"ProxyEnable\"=dword:00000001\r\n\"ProxyServer\"=\"127.0.0.1:" +
            std::to_string(proxyPort) + "\"\r\n");

    HttpClient client;
    ApplySystemProxy(client);
    EXPECT_EQ(client.ProxyParams_.ProxyServer, "127.0.0.1");
    EXPECT_EQ(client.ProxyParams_.ProxyPort, proxyPort);

    const std::string base = "http://127.0.0.1:" + std::to_string(webPort);
    Disconnect(client);
    EXPECT_EQ(FetchText(client, base + "/software/zor_version.php"), version);
    Disconnect(client);
    EXPECT_TRUE(FetchText(client, base + "/software/zor2_items.php") == feed);
    Disconnect(client);
    EXPECT_TRUE(FetchText(client, base + "/pictures/deal.jpg_250x250.jpg") == picture);
    Disconnect(client);
    try {
        FetchText(client, base + "/software/missing.php");
        ADD_FAILURE() << "a missing file was fetched";
    } catch (const HttpStatusError& e) {
        EXPECT_EQ(e.code(), 404);
    }
    Disconnect(client);

    const std::string saved = dir / "image/de/deal_250x250.jpg";
    EXPECT_TRUE(FetchToFile(base + "/pictures/deal.jpg_250x250.jpg", saved));
    EXPECT_TRUE(ReadWholeFile(saved) == picture);
    EXPECT_FALSE(FetchToFile(base + "/pictures/none.jpg", dir / "image/none.jpg"));
    EXPECT_FALSE(std::filesystem::exists(dir / "image/none.jpg"));

    // The proxy saw the requests in absolute form, so nothing went around it.
    const std::string requests = ReadWholeFile(dir / "proxy-requests.log");
    EXPECT_NE(requests.find("GET " + base + "/software/zor_version.php HTTP/1.1"),
              std::string::npos)
        << requests;
    EXPECT_NE(requests.find("GET " + base + "/pictures/deal.jpg_250x250.jpg HTTP/1.1"),
              std::string::npos);
}

}  // namespace
