#include "services/vendor_service.h"

#include <cstdlib>
#include <exception>

#include "services/http/http_client.h"

namespace {

constexpr char kDefaultServiceBaseUrl[] = "http://127.0.0.1:8787";
constexpr char kFallbackVersion[] = "3.0.0.0";
// A longer reply cannot be a version text of ours ("3.0.0.0" followed by a line end, an error
// page served with status 200); it is treated as if the service had said nothing new.
constexpr std::size_t kLongestVersionText = 7;

}  // namespace

std::string ServiceBaseUrl() {
    // Read once: every request of a run goes to the same service.
    static const std::string url = [] {
        const char* fromEnvironment = std::getenv("ZORVIA_SERVICE_URL");
        if (fromEnvironment && *fromEnvironment)
            return std::string(fromEnvironment);
        return std::string(kDefaultServiceBaseUrl);
    }();
    return url;
}

std::string MarketplaceItemPageUrl() {
    return ServiceBaseUrl() + "/market/item";
}
std::string MarketplaceShopPageUrl() {
    return ServiceBaseUrl() + "/market/shop";
}
std::string MarketplaceChatPageUrl() {
    return ServiceBaseUrl() + "/market/chat";
}

std::string FetchServiceVersion() {
    std::string version;
    try {
        HttpClient client;
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
