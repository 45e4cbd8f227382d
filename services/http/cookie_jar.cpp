#include "services/http/cookie_jar.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <ctime>

#include "services/http/reply_reader.h"
#include "services/text_utils.h"

namespace {

// Around the year 2190: far enough for any cookie, near enough for the clock's range.
constexpr time_t kLatestCookieTime = 7000000000;

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool IsIPv4(const std::string& host) {
    in_addr addr{};
    return ::inet_pton(AF_INET, host.c_str(), &addr) == 1;
}

// The cookie standard's domain match: the host itself, or a host below the domain. A numeric
// address only ever matches itself.
bool DomainMatches(const std::string& lowerHost, const std::string& domain) {
    if (lowerHost == domain)
        return true;
    if (IsIPv4(lowerHost) || lowerHost.size() <= domain.size() + 1)
        return false;
    return lowerHost.compare(lowerHost.size() - domain.size(), domain.size(), domain) == 0 &&
           lowerHost[lowerHost.size() - domain.size() - 1] == '.';
}

std::vector<std::string> SplitAt(const std::string& text, char delimiter) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(delimiter, start);
        pieces.push_back(text.substr(start, end - start));
        if (end == std::string::npos)
            return pieces;
        start = end + 1;
    }
}

bool HoldsControlByte(const std::string& text) {
    for (char c : text) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

std::optional<long long> ReadWholeNumber(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return std::nullopt;
    long long value = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return std::nullopt;
        // Far beyond any sensible lifetime; saturate rather than overflow the clock.
        value = std::min<long long>(value * 10 + (text[i] - '0'), kLatestCookieTime);
    }
    return negative ? -value : value;
}

}  // namespace

std::string FolderPathOf(const std::string& target) {
    std::string path = target.substr(0, target.find('?'));
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return "/";
    return path.substr(0, slash + 1);
}

std::optional<std::chrono::system_clock::time_point> ReadCookieDate(const std::string& text) {
    // Tokens are runs of letters, digits and ':'; the first of each kind that fits wins.
    std::vector<std::string> tokens;
    std::string current;
    for (char c : text) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == ':') {
            current += c;
        } else if (!current.empty()) {
            tokens.push_back(current);
            current.clear();
        }
    }
    if (!current.empty())
        tokens.push_back(current);

    static const char* const kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};
    int hour = -1, minute = -1, second = -1, day = -1, month = -1, year = -1;
    for (const std::string& token : tokens) {
        int h, m, s;
        char tail;
        if (hour < 0 && std::sscanf(token.c_str(), "%2d:%2d:%2d%c", &h, &m, &s, &tail) == 3) {
            hour = h;
            minute = m;
            second = s;
            continue;
        }
        bool digits =
            std::all_of(token.begin(), token.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (day < 0 && digits && token.size() <= 2) {
            day = std::stoi(token);
            continue;
        }
        if (month < 0 && token.size() >= 3) {
            std::string prefix = Lower(token.substr(0, 3));
            for (int i = 0; i < 12; ++i)
                if (prefix == kMonths[i])
                    month = i;
            if (month >= 0)
                continue;
        }
        if (year < 0 && digits && token.size() >= 2 && token.size() <= 4) {
            year = std::stoi(token);
            if (year >= 70 && year <= 99)
                year += 1900;
            else if (year < 70)
                year += 2000;
        }
    }
    if (hour < 0 || day < 1 || day > 31 || month < 0 || year < 1601 || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    time_t t = ::timegm(&tm);
    // Kept inside what the clock can count; a date before 1970 is as expired as any.
    t = std::clamp<time_t>(t, 0, kLatestCookieTime);
    return std::chrono::system_clock::from_time_t(t);
}

void CookieJar::Store(const std::string& headerValue, const std::string& requestHost,
                      const std::string& requestTarget, TimePoint now) {
    if (headerValue.size() > kMaxCookieBytes)
        return;
    std::vector<std::string> pieces = SplitAt(headerValue, ';');
    std::string first = TrimText(pieces[0]);
    std::size_t eq = first.find('=');
    Cookie cookie;
    cookie.name = TrimText(first.substr(0, eq));
    if (eq != std::string::npos)
        cookie.value = TrimText(first.substr(eq + 1));
    if (cookie.name.empty() || HoldsControlByte(cookie.name) || HoldsControlByte(cookie.value))
        return;

    std::string domain;
    bool haveExpires = false;
    std::optional<long long> maxAge;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        std::string piece = TrimText(pieces[i]);
        std::size_t pieceEq = piece.find('=');
        std::string attr = Lower(TrimText(piece.substr(0, pieceEq)));
        std::string value = pieceEq == std::string::npos ? "" : TrimText(piece.substr(pieceEq + 1));
        if (attr == "path") {
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            cookie.path = value;
        } else if (attr == "domain") {
            domain = value;
        } else if (attr == "expires") {
            std::optional<TimePoint> when = ReadCookieDate(value);
            if (when) {
                cookie.expires = when;
                haveExpires = true;
            }
        } else if (attr == "secure") {
            cookie.secure = true;
        } else if (attr == "max-age") {
            maxAge = ReadWholeNumber(value);
        }
        // "version" and "comment" carry nothing the jar acts on.
    }
    if (!haveExpires && maxAge) {
        cookie.expires = *maxAge <= 0 ? TimePoint::min() : now + std::chrono::seconds(*maxAge);
    }

    std::string host = Lower(requestHost);
    if (domain.empty() || domain == ".") {
        cookie.domain = host;
    } else {
        std::string wanted = Lower(domain[0] == '.' ? domain.substr(1) : domain);
        std::size_t dot = host.find('.');
        std::string parent = dot == std::string::npos ? "" : host.substr(dot + 1);
        // The host itself, or its own parent domain as long as that is more than a top level.
        bool fits = wanted == host ||
                    (!IsIPv4(host) && wanted == parent && parent.find('.') != std::string::npos);
        if (!fits)
            return;
        cookie.domain = wanted;
    }

    // Without a usable path the cookie would never match any request; the cookie standard's
    // default (the folder of the request that set it) makes it come back where it came from.
    if (cookie.path.empty() || cookie.path[0] != '/')
        cookie.path = FolderPathOf(requestTarget);

    Key key{cookie.domain, cookie.name, cookie.path};
    auto found = m_byKey.find(key);
    if (found != m_byKey.end()) {
        *found->second = std::move(cookie);
        return;
    }
    std::list<Entry>& ofDomain = m_byDomain[cookie.domain];
    if (ofDomain.size() >= kMaxPerDomain)
        Erase(ofDomain.front());
    else if (m_cookies.size() >= kMaxCookies)
        Erase(m_cookies.begin());
    Entry entry = m_cookies.insert(m_cookies.end(), std::move(cookie));
    m_byKey.emplace(std::move(key), entry);
    m_byDomain[entry->domain].push_back(entry);
}

void CookieJar::Erase(Entry entry) {
    m_byKey.erase(Key{entry->domain, entry->name, entry->path});
    auto domain = m_byDomain.find(entry->domain);
    if (domain != m_byDomain.end()) {
        domain->second.remove(entry);  // at most kMaxPerDomain entries
        if (domain->second.empty())
            m_byDomain.erase(domain);
    }
    m_cookies.erase(entry);
}

void CookieJar::Clear() {
    m_cookies.clear();
    m_byKey.clear();
    m_byDomain.clear();
}

void CookieJar::RemoveExpired(TimePoint now) {
    for (Entry it = m_cookies.begin(); it != m_cookies.end();) {
        Entry next = std::next(it);
        if (it->expires && *it->expires <= now)
            Erase(it);
        it = next;
    }
}

std::string CookieJar::HeaderFor(const std::string& host, const std::string& target) const {
    std::string lowerHost = Lower(host);
    std::string folder = FolderPathOf(target);
    std::vector<const Cookie*> matching;
    for (const Cookie& c : m_cookies) {
        if (c.secure || c.value.empty())
            continue;
        if (!DomainMatches(lowerHost, c.domain))
            continue;
        if (folder.compare(0, c.path.size(), c.path) != 0)
            continue;
        matching.push_back(&c);
    }
    std::stable_sort(matching.begin(), matching.end(),
                     [](const Cookie* a, const Cookie* b) { return a->path > b->path; });
    std::string header;
    for (const Cookie* c : matching) {
        if (!header.empty())
            header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}
