#pragma once
// Plain HTTP/1.1 GET over POSIX sockets, the way every request of the program is made.
// One client: its settings, its proxy, its cookie jar and at most one open connection.
// A client serves one request at a time; `busy()` tells whether one is under way (the user
// interface may be dispatching events in the middle of it, see AntiFreeze).

#include <cstdint>
#include <memory>
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

class CookieJar;
class ProxySettingStore;

class HttpClient {
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    ProxyParams ProxyParams_;
    // Only while AntiFreeze is in force; tests shorten it.
    int ConnectTimeLimitMs = 120000;
    // Each wait for the body of a failed (redirect or non-2xx) reply; expiring gives
    // "Read Timeout". Tests shorten it.
    int ErrorBodyWaitMs = 2000;

    bool busy() const;
    CookieJar& cookies();

    // Implementation state (socket, current peer, busy flag, cookie jar).
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// Takes over the user's proxy setting (see proxy_store.h); never throws.
void ApplySystemProxy(HttpClient& client);
// The same from a given store: only "ProxyEnable" exactly 1 and a "ProxyServer" of host, ":"
// and a decimal port change the client.
void ApplySystemProxy(HttpClient& client, const ProxySettingStore& store);
// One GET; returns exactly the body's bytes. Throws ZorviaError / HttpStatusError; a client
// that is busy with a request throws at once and its request goes on undisturbed.
std::string FetchText(HttpClient& client, const std::string& url);
// One GET on a client of its own straight into the file at path (folders created first).
// True on success; on a failed request the file is removed and false returned. A file that
// cannot be created throws.
bool FetchToFile(const std::string& url, const std::string& path);
// The same on the given client, whose connection (when the server keeps it open) then serves
// the next download too.
bool FetchToFile(HttpClient& client, const std::string& url, const std::string& path);
// Closes the client's connection if one is open. Called while the client's request waits (from
// an event dispatched by AntiFreeze), it ends that request's connection, which then fails.
void Disconnect(HttpClient& client);
