#include "deals/vendor_service.h"

#include <chrono>
#include <cstdlib>
#include <exception>

#include "services/http/http_client.h"
#include "services/number_text.h"

namespace {

constexpr char kDefaultServiceBaseUrl[] = "http://127.0.0.1:8787";
constexpr char kFallbackVersion[] = "3.0.0.0";
// A longer reply cannot be a version text of ours ("3.0.0.0" followed by a line end, an error
// page served with status 200); it is treated as if the service had said nothing new.
constexpr std::size_t kLongestVersionText = 7;

}  // namespace

std::string ServiceBaseUrlFrom(const char* setting) {
    if (!setting || !*setting)
        return kDefaultServiceBaseUrl;
    // Every path is appended with its own leading "/", so a setting written with a trailing one
    // ("http://host:8787/") must not double it.
    std::string url = setting;
    while (!url.empty() && url.back() == '/')
        url.pop_back();
    return url.empty() ? std::string(kDefaultServiceBaseUrl) : url;
}

std::string ServiceBaseUrl() {
    // Read once: every request of a run goes to the same service.
    static const std::string url = ServiceBaseUrlFrom(std::getenv("ZORVIA_SERVICE_URL"));
    return url;
}

std::string FetchServiceVersion() {
    std::string version;
    try {
        HttpClient client;
        // A silent or endless service costs the start ten seconds and a kilobyte at most.
        client.Limits.Deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kVersionRequestLimitMs);
        client.Limits.MaxTextBytes = kLongestVersionReply;
        ApplySystemProxy(client);
        Disconnect(client);
        version = FetchText(client, ServiceBaseUrl() + kVersionPath);
        Disconnect(client);
    } catch (...) {
        return kFallbackVersion;
    }
    if (version.size() > kLongestVersionText)
        return kFallbackVersion;
    return version;
}

std::string FetchDealFeed(HttpClient& client) {
    Disconnect(client);
    std::string text = FetchText(client, ServiceBaseUrl() + kDealFeedPath);
    Disconnect(client);
    return text;
}

int32_t FetchSalesNum(HttpClient& client, const std::string& num_iid, int32_t fallback) {
    // The id goes into the address exactly as the feed gave it: the service expects it raw.
    const std::string url = ServiceBaseUrl() + kSalesCountPath + num_iid;
    const std::string body = FetchText(client, url);
    return ReadSalesCount(body).value_or(fallback);
}
