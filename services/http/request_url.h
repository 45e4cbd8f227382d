#pragma once
// Reading a URL into what a GET needs, and the request bytes themselves. Nothing is percent-
// encoded or decoded: the bytes of the URL go on the wire as they are.

#include <string>

struct RequestUrl {
    std::string scheme;  // as written, any letter case
    std::string host;
    int port = 80;
    bool portGiven = false;
    std::string target;  // begins with "/", the fragment left out
};

// Backslashes count as forward slashes; a user-name and password part ending in "@" is dropped.
// A port that is not a number from 1 to 65535 throws ZorviaError, as does a URL holding a
// control byte (below 0x20, or 0x7F): nothing from it may reach the wire as protocol.
RequestUrl ReadRequestUrl(const std::string& url);

// The whole request, every line ended by CR LF. Through a proxy the target is in absolute form
// with the port always written. `cookieHeader` empty: no "Cookie" line.
std::string BuildGetRequest(const RequestUrl& url, bool viaProxy, const std::string& cookieHeader);
