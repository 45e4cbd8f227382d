#include "services/http/http_client.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "services/file_utils.h"
#include "services/http/cookie_jar.h"
#include "services/http/proxy_store.h"
#include "services/http/reply_reader.h"
#include "services/http/request_url.h"
#include "services/http/socket_stream.h"
#include "services/text_utils.h"

struct HttpClient::Impl {
    std::unique_ptr<SocketStream> connection;
    CookieJar jar;
    bool busy = false;
};

namespace {

// Marks the client busy for the life of one request, whichever way the request ends.
class BusyScope {
public:
    explicit BusyScope(bool& flag) : m_flag(flag) {
        if (m_flag)
            throw ZorviaError("The connection is still busy with another request.");
        m_flag = true;
    }
    ~BusyScope() { m_flag = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    bool& m_flag;
};

class FileSink : public BodySink {
public:
    FileSink(int fd, const std::string& path) : m_fd(fd), m_path(path) {}
    void Append(const char* data, std::size_t len) override {
        while (len > 0) {
            ssize_t n = ::write(m_fd, data, len);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw ZorviaError("Cannot write file \"" + m_path + "\". " + std::strerror(errno));
            }
            data += n;
            len -= static_cast<std::size_t>(n);
        }
    }

private:
    int m_fd;
    const std::string& m_path;
};

void PerformGet(HttpClient& client, const std::string& url, BodySink& sink) {
    HttpClient::Impl& impl = *client.impl;
    BusyScope busy(impl.busy);

    RequestUrl target = ReadRequestUrl(url);
    if (EqualsIgnoringCase(target.scheme, "https"))
        throw ZorviaError("IOHandler value is not valid");
    if (!EqualsIgnoringCase(target.scheme, "http"))
        throw ZorviaError("Protocol \"" + target.scheme + "\" is not supported.");

    const bool viaProxy = !client.ProxyParams_.ProxyServer.empty();
    const std::string& host = viaProxy ? client.ProxyParams_.ProxyServer : target.host;
    const int port = viaProxy ? client.ProxyParams_.ProxyPort : target.port;
    if (impl.connection && (impl.connection->host() != host || impl.connection->port() != port))
        impl.connection.reset();

    impl.jar.RemoveExpired();
    std::string request =
        BuildGetRequest(target, viaProxy, impl.jar.HeaderFor(target.host, target.target));

    try {
        if (!impl.connection)
            impl.connection = std::make_unique<SocketStream>(host, port, client.ConnectTimeLimitMs);
        SocketStream& connection = *impl.connection;
        connection.Write(request.data(), request.size());
        ReplyReader reader(connection);
        ReplyOutcome outcome = ReadReply(
            reader, sink,
            [&](const std::string& value) { impl.jar.Store(value, target.host, target.target); },
            client.ErrorBodyWaitMs);
        if (!outcome.keepOpen)
            impl.connection.reset();
    } catch (...) {
        // Whatever is left on a failed connection cannot be trusted for the next request.
        impl.connection.reset();
        throw;
    }
}

}  // namespace

HttpClient::HttpClient() : impl(std::make_unique<Impl>()) {}
HttpClient::~HttpClient() = default;

bool HttpClient::busy() const {
    return impl->busy;
}

CookieJar& HttpClient::cookies() {
    return impl->jar;
}

void ApplySystemProxy(HttpClient& client, const ProxySettingStore& store) {
    try {
        std::optional<std::uint32_t> enable = store.ReadInteger("ProxyEnable");
        if (!enable || *enable != 1)
            return;
        std::optional<std::string> server = store.ReadText("ProxyServer");
        if (!server)
            return;
        std::size_t colon = server->find(':');
        if (colon == std::string::npos)
            return;
        // The port is read before anything changes, so a bad one leaves the client as it was.
        std::string portText = server->substr(colon + 1, 10);
        if (portText.empty())
            return;
        long port = 0;
        for (char c : portText) {
            if (c < '0' || c > '9')
                return;
            port = port * 10 + (c - '0');
        }
        // A port no connection can reach is as unusable as one that is not a number.
        if (port < 1 || port > 65535)
            return;
        client.ProxyParams_.ProxyPort = static_cast<int>(port);
        client.ProxyParams_.ProxyServer = server->substr(0, colon);
    } catch (...) {
        // The setting is a convenience; without it the client simply stays direct.
    }
}

void ApplySystemProxy(HttpClient& client) {
    try {
        FileSettingStore store(FileSettingStore::DefaultPath());
        ApplySystemProxy(client, store);
    } catch (...) {
    }
}

std::string FetchText(HttpClient& client, const std::string& url) {
    std::string body;
    StringSink sink(body);
    PerformGet(client, url, sink);
    return body;
}

bool FetchToFile(const std::string& url, const std::string& path) {
    HttpClient client;
    ApplySystemProxy(client);
    return FetchToFile(client, url, path);
}

bool FetchToFile(HttpClient& client, const std::string& url, const std::string& path) {
    CreateFolderChain(path);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        throw ZorviaError("Cannot create file \"" + path + "\". " + std::strerror(errno));

    // The body goes to the file as it arrives; an announced length reserves nothing on disk,
    // so a reply that lies about its size cannot claim the space up front.
    bool ok = true;
    try {
        FileSink sink(fd, path);
        PerformGet(client, url, sink);
    } catch (const std::exception&) {
        ok = false;
    }
    if (::close(fd) != 0)
        ok = false;
    if (!ok)
        ::unlink(path.c_str());
    return ok;
}

void Disconnect(HttpClient& client) {
    HttpClient::Impl& impl = *client.impl;
    if (!impl.connection)
        return;
    // The request under way still reads from this connection: end it without freeing it.
    if (impl.busy)
        impl.connection->Shutdown();
    else
        impl.connection.reset();
}
