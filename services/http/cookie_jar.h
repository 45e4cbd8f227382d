#pragma once
// The in-memory cookie jar of one HttpClient: cookies set by its replies go back with its later
// requests to the same site. Nothing is written to disk; the jar goes with its client.

#include <chrono>
#include <optional>
#include <string>
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

    // Takes one "Set-Cookie" or "Set-Cookie2" value of a reply to requestHost/requestTarget.
    // A cookie whose domain is neither the host itself nor the host's own parent domain is
    // dropped; one without a usable path gets the request's folder path. A cookie with the
    // same name, domain and path as a stored one replaces it.
    void Store(const std::string& headerValue, const std::string& requestHost,
               const std::string& requestTarget, TimePoint now = std::chrono::system_clock::now());

    void RemoveExpired(TimePoint now = std::chrono::system_clock::now());

    // The "Cookie" header value for a request, longer paths first; empty when nothing matches.
    std::string HeaderFor(const std::string& host, const std::string& target) const;

    const std::vector<Cookie>& cookies() const { return m_cookies; }
    void Clear() { m_cookies.clear(); }

private:
    std::vector<Cookie> m_cookies;
};

// The path of a request target up to and including its last "/", the query left out.
std::string FolderPathOf(const std::string& target);

// A cookie date ("Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", asctime
// form); nullopt when it does not read as one.
std::optional<std::chrono::system_clock::time_point> ReadCookieDate(const std::string& text);
