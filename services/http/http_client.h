#pragma once
// Plain HTTP/1.1 GET over POSIX sockets, the way every request of the program is made.
// One client: its settings, its proxy, its cookie jar and at most one open connection.
// A client serves one request at a time; `busy()` tells whether one is under way (the user
// interface may be dispatching events in the middle of it, see AntiFreeze).

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "services/errors.h"

struct ProxyParams {
    std::string ProxyServer;  // empty: direct connection
    int ProxyPort = 0;
};

// A request that failed on its reply's status (redirect or non-2xx): the message is the status
// line; the code and the body text come with it.
class HttpStatusError : public ZorviaError {
public:
    HttpStatusError(const std::string& statusLine, int code, std::string body)
        : ZorviaError(statusLine), m_code(code), m_body(std::move(body)) {}
    int code() const { return m_code; }
    const std::string& body() const { return m_body; }

private:
    int m_code;
    std::string m_body;
};

class BodySink;
class CookieJar;
class ProxySettingStore;
struct ReplyOutcome;
class HttpClient;

// Every bound a request keeps, whatever the server sends or withholds. The defaults are the
// program's; tests shorten them so that nothing waits for real.
struct HttpLimits {
    // The connect, only while AntiFreeze is in force ("Connect timed out."); without it the
    // system's own connect behaviour holds, within the request's time limits below.
    int ConnectTimeLimitMs = 120000;
    // Each wait for the body of a failed (redirect or non-2xx) reply ("Read Timeout").
    int ErrorBodyWaitMs = 2000;
    // A wait this long without a byte ends the request ("Read timed out.").
    int IdleTimeLimitMs = 30000;
    // The whole request, connect included ("Read timed out." or "Connect timed out.").
    int RequestTimeLimitMs = 120000;
    // An earlier end a caller imposes, e.g. one time budget shared by several requests.
    std::optional<std::chrono::steady_clock::time_point> Deadline;
    // The status line and headers, counted with their line ends.
    std::size_t MaxHeaderBytes = 256 * 1024;
    // The body FetchText returns; a longer one fails with "The reply is too large.".
    std::size_t MaxTextBytes = 64 * 1024 * 1024;
    // What is kept of a failed reply's body; the rest is not read and the connection closed.
    std::size_t MaxErrorBodyBytes = 64 * 1024;
    // The file FetchToFile writes; a longer body fails like any failed download.
    std::size_t MaxFileBytes = static_cast<std::size_t>(-1);
};

// Takes over the user's proxy setting (see proxy_store.h); never throws.
void ApplySystemProxy(HttpClient& client);
// The same from a given store: only "ProxyEnable" exactly 1 and a "ProxyServer" of host, ":"
// and a decimal port change the client.
void ApplySystemProxy(HttpClient& client, const ProxySettingStore& store);
// One GET; returns exactly the body's bytes. Throws ZorviaError / HttpStatusError; a client
// that is busy with a request throws at once and its request goes on undisturbed. A URL holding
// a control byte (below 0x20, or 0x7F) fails before any connection is made.
std::string FetchText(HttpClient& client, const std::string& url);
// One GET on a client of its own (with these limits) into the file at path, folders created
// first. The body is written beside the final name (see PartialFileName) and renamed to it only
// once complete, so the final name never holds half a file. True on success; on a failed
// request, a body short of its announced length or one beyond limits.MaxFileBytes, nothing is
// left at either name and false is returned. A file that cannot be created throws.
bool FetchToFile(const std::string& url, const std::string& path,
                 const HttpLimits& limits = HttpLimits());
// The same on the given client, within its Limits and through its proxy, whose connection (when
// the server keeps it open) then serves the client's next request too.
bool FetchToFile(HttpClient& client, const std::string& url, const std::string& path);
// Closes the client's connection if one is open. Called while the client's request waits (from
// an event dispatched by AntiFreeze), it ends that request's connection, and the request fails,
// also when its body was being read.
void Disconnect(HttpClient& client);

// Where FetchToFile writes before renaming: ".part" before the name's extension
// ("a/b_250x250.jpg" gives "a/b_250x250.part.jpg"). Such a name matches no cached picture, so a
// download killed half-way is cleared by the cache's next pruning.
std::string PartialFileName(const std::string& path);

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    ProxyParams ProxyParams_;
    HttpLimits Limits;

    bool busy() const;
    CookieJar& cookies();

private:
    friend std::string FetchText(HttpClient& client, const std::string& url);
    friend bool FetchToFile(HttpClient& client, const std::string& url, const std::string& path);
    friend void Disconnect(HttpClient& client);

    // One GET into the sink: the core of FetchText and FetchToFile.
    ReplyOutcome Get(const std::string& url, BodySink& sink);

    // Socket, current peer, busy flag, cookie jar.
    struct Impl;
    std::unique_ptr<Impl> impl;
};
