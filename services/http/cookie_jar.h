#pragma once
// The in-memory cookie jar of one HttpClient: cookies set by its replies go back with its later
// requests to the same site. Nothing is written to disk; the jar goes with its client.

#include <chrono>
#include <cstddef>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;  // lower case, no leading dot
    std::string path;
    std::optional<std::chrono::system_clock::time_point> expires;  // none: lives with the jar
    bool secure = false;
};

class CookieJar {
public:
    using TimePoint = std::chrono::system_clock::time_point;

    // The least the cookie standard asks a jar to hold, and all this one holds: a server cannot
    // grow it without bound. Beyond a count the oldest cookie goes.
    static constexpr std::size_t kMaxCookieBytes = 4096;
    static constexpr std::size_t kMaxPerDomain = 50;
    static constexpr std::size_t kMaxCookies = 3000;

    // Takes one "Set-Cookie" or "Set-Cookie2" value of a reply to requestHost/requestTarget.
    // A cookie whose domain is neither the host itself nor the host's own parent domain is
    // dropped; one without a usable path gets the request's folder path. A cookie with the
    // same name, domain and path as a stored one replaces it (keeping its age). Dropped as
    // well: a value longer than kMaxCookieBytes, and a name or value holding a control byte
    // (below 0x20, or 0x7F), which would otherwise go back out inside a request header.
    void Store(const std::string& headerValue, const std::string& requestHost,
               const std::string& requestTarget, TimePoint now = std::chrono::system_clock::now());

    void RemoveExpired(TimePoint now = std::chrono::system_clock::now());

    // The "Cookie" header value for a request, longer paths first; empty when nothing matches.
    std::string HeaderFor(const std::string& host, const std::string& target) const;

    // Oldest first.
    std::vector<Cookie> cookies() const { return {m_cookies.begin(), m_cookies.end()}; }
    std::size_t size() const { return m_cookies.size(); }
    void Clear();

private:
    using Entry = std::list<Cookie>::iterator;
    using Key = std::tuple<std::string, std::string, std::string>;  // domain, name, path

    void Erase(Entry entry);

    std::list<Cookie> m_cookies;  // oldest first
    // Indexes, so that storing one cookie costs the same however full the jar is.
    std::map<Key, Entry> m_byKey;
    std::map<std::string, std::list<Entry>> m_byDomain;  // each oldest first
};

// The path of a request target up to and including its last "/", the query left out.
std::string FolderPathOf(const std::string& target);

// A cookie date ("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", asctime
// form); nullopt when it does not read as one.
std::optional<std::chrono::system_clock::time_point> ReadCookieDate(const std::string& text);
