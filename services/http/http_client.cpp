#include "services/http/http_client.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "services/file_utils.h"
#include "services/http/anti_freeze.h"
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
    FileSink(int fd, const std::string& path, std::size_t limit)
        : m_fd(fd), m_path(path), m_limit(limit) {}
    void Append(const char* data, std::size_t len) override {
        if (len > m_limit - m_written)
            throw ZorviaError("The reply is too large.");
        m_written += len;
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
    std::size_t m_limit;
    std::size_t m_written = 0;
};

[[noreturn]] void ThrowCannotCreate(const std::string& path, int err) {
    throw ZorviaError("Cannot create file \"" + path + "\". " + std::strerror(err));
}

}  // namespace

ReplyOutcome HttpClient::Get(const std::string& url, BodySink& sink) {
    BusyScope busy(impl->busy);
    // A request started on the way out (by the rest of a handler whose own request was just
    // abandoned) would only hold the closing program up.
    if (AntiFreeze::Quitting())
        throw ZorviaError(kProgramClosing);

    RequestUrl target = ReadRequestUrl(url);
    if (EqualsIgnoringCase(target.scheme, "https"))
        throw ZorviaError("IOHandler value is not valid");
    if (!EqualsIgnoringCase(target.scheme, "http"))
        throw ZorviaError("Protocol \"" + target.scheme + "\" is not supported.");

    const bool viaProxy = !ProxyParams_.ProxyServer.empty();
    const std::string& host = viaProxy ? ProxyParams_.ProxyServer : target.host;
    const int port = viaProxy ? ProxyParams_.ProxyPort : target.port;
    if (impl->connection && (impl->connection->host() != host || impl->connection->port() != port))
        impl->connection.reset();

    impl->jar.RemoveExpired();
    std::string request =
        BuildGetRequest(target, viaProxy, impl->jar.HeaderFor(target.host, target.target));

    using Clock = SocketStream::Clock;
    Clock::time_point deadline = Clock::time_point::max();
    if (Limits.RequestTimeLimitMs >= 0)
        deadline = Clock::now() + std::chrono::milliseconds(Limits.RequestTimeLimitMs);
    if (Limits.Deadline && *Limits.Deadline < deadline)
        deadline = *Limits.Deadline;

    ReplyLimits replyLimits;
    replyLimits.errorBodyWaitMs = Limits.ErrorBodyWaitMs;
    replyLimits.maxHeaderBytes = Limits.MaxHeaderBytes;
    replyLimits.maxErrorBodyBytes = Limits.MaxErrorBodyBytes;

    try {
        if (!impl->connection)
            impl->connection =
                std::make_unique<SocketStream>(host, port, Limits.ConnectTimeLimitMs, deadline);
        SocketStream& connection = *impl->connection;
        connection.SetLimits(Limits.IdleTimeLimitMs, deadline);
        connection.Write(request.data(), request.size());
        ReplyReader reader(connection);
        ReplyOutcome outcome = ReadReply(
            reader, sink,
            [&](const std::string& value) { impl->jar.Store(value, target.host, target.target); },
            replyLimits);
        if (!outcome.keepOpen)
            impl->connection.reset();
        return outcome;
    } catch (...) {
        // Whatever is left on a failed connection cannot be trusted for the next request.
        impl->connection.reset();
        throw;
    }
}

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
    StringSink sink(body, client.Limits.MaxTextBytes);
    client.Get(url, sink);
    return body;
}

std::string PartialFileName(const std::string& path) {
    const std::size_t nameStart = path.find_last_of('/') + 1;  // 0 without a folder
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || dot <= nameStart)
        return path + ".part";
    return path.substr(0, dot) + ".part" + path.substr(dot);
}

bool FetchToFile(const std::string& url, const std::string& path, const HttpLimits& limits) {
    HttpClient client;
    client.Limits = limits;
    ApplySystemProxy(client);
    return FetchToFile(client, url, path);
}

bool FetchToFile(HttpClient& client, const std::string& url, const std::string& path) {
    CreateFolderChain(path);
    // The final name is only ever renamed onto; a folder there could never take the file.
    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode))
        ThrowCannotCreate(path, EISDIR);
    const std::string partial = PartialFileName(path);
    int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        ThrowCannotCreate(path, errno);

    // The body goes to the file as it arrives; an announced length reserves nothing on disk,
    // so a reply that lies about its size cannot claim the space up front.
    bool ok = true;
    try {
        FileSink sink(fd, partial, client.Limits.MaxFileBytes);
        // A reply that ends short of its announced length is half a picture, not a picture.
        ok = client.Get(url, sink).complete;
    } catch (const std::exception&) {
        ok = false;
    }
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(partial.c_str(), path.c_str()) != 0)
        ok = false;
    if (!ok) {
        ::unlink(partial.c_str());
        // An earlier file of the final name goes as well, as it always has: a failed download
        // leaves nothing under that name.
        ::unlink(path.c_str());
    }
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
