#include "deals/sales_count.h"

#include "services/http/http_client.h"
#include "services/regional.h"
#include "services/vendor_service.h"

int32_t FetchSalesNum(HttpClient& client, const std::string& num_iid, int32_t fallback) {
    // The id goes into the address exactly as the feed gave it: the service expects it raw.
    const std::string url = ServiceBaseUrl() + kSalesCountPath + num_iid;
    const std::string body = FetchText(client, url);
    return ReadSalesCount(body).value_or(fallback);
}
