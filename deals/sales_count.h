#pragma once
// The per-deal sales-count request.

#include <cstdint>
#include <string>

class HttpClient;

// GETs ServiceBaseUrl + "/software/zor2_item.php?num_iid=" + num_iid (unencoded) on the client and
// reads the body strictly; an unreadable reply gives the fallback. A failed request throws.
int32_t FetchSalesNum(HttpClient& client, const std::string& num_iid, int32_t fallback);
