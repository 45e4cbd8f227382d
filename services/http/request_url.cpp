#include "services/http/request_url.h"

#include <algorithm>

#include "services/errors.h"

RequestUrl ReadRequestUrl(const std::string& url) {
    // A line break or any other control byte would end the request line early and let the rest
    // of the URL write header lines or whole requests of its own. Spaces and bytes of 0x80 and
    // above are still sent as they are.
    for (char c : url) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            throw ZorviaError("The address holds a control character, so it is not requested.");
    }
    // The program's texts are UTF-8, where a backslash byte never sits inside a multi-byte
    // character, so every one of them can be turned around.
    std::string text = url;
    std::replace(text.begin(), text.end(), '\\', '/');

    RequestUrl out;
    std::size_t pos = 0;
    std::size_t schemeEnd = text.find("://");
    if (schemeEnd != std::string::npos) {
        out.scheme = text.substr(0, schemeEnd);
        pos = schemeEnd + 3;
    }

    std::size_t authorityEnd = text.find_first_of("/?#", pos);
    if (authorityEnd == std::string::npos)
        authorityEnd = text.size();
    std::string authority = text.substr(pos, authorityEnd - pos);
    std::size_t at = authority.rfind('@');
    if (at != std::string::npos)
        authority.erase(0, at + 1);

    std::size_t colon = authority.find(':');
    out.host = authority.substr(0, colon);
    if (colon != std::string::npos && colon + 1 < authority.size()) {
        std::string portText = authority.substr(colon + 1);
        long port = 0;
        bool digits = portText.size() <= 5;
        for (char c : portText) {
            if (c < '0' || c > '9') {
                digits = false;
                break;
            }
            port = port * 10 + (c - '0');
        }
        if (!digits || port < 1 || port > 65535)
            throw ZorviaError("Invalid port number \"" + portText + "\".");
        out.port = static_cast<int>(port);
        out.portGiven = true;
    }

    std::string rest = text.substr(authorityEnd);
    std::size_t hash = rest.find('#');
    if (hash != std::string::npos)
        rest.erase(hash);
    if (rest.empty() || rest[0] != '/')
        rest = "/" + rest;
    out.target = rest;
    return out;
}

std::string BuildGetRequest(const RequestUrl& url, bool viaProxy, const std::string& cookieHeader) {
    std::string request = "GET ";
    if (viaProxy)
        request += url.scheme + "://" + url.host + ":" + std::to_string(url.port);
    request += url.target;
    request += " HTTP/1.1\r\n";

    auto header = [&request](const char* name, const std::string& value) {
        if (value.empty())
            return;
        request += name;
        request += ": ";
        request += value;
        request += "\r\n";
    };
    header("Content-Type", "text/html");
    header("Host", url.port == 80 ? url.host : url.host + ":" + std::to_string(url.port));
    header("Accept", "text/html, */*");
    header("User-Agent", "Mozilla/3.0 (compatible; Indy Library)");
    header("Cookie", cookieHeader);
    request += "\r\n";
    return request;
}
