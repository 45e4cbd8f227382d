#pragma once
// The vendor's web service: where it is and the three requests the program makes of it (the
// version text, the deal feed and a deal's sales count). Widgets call these; none of them builds
// an address of the service.

#include <cstddef>
#include <cstdint>
#include <string>

class HttpClient;

// Scheme and host of the service: the compiled-in default, replaced by the environment
// variable ZORVIA_SERVICE_URL when that is set at start.
std::string ServiceBaseUrl();
// The service address for a setting of ZORVIA_SERVICE_URL (null or empty: the default), without
// trailing "/".
std::string ServiceBaseUrlFrom(const char* setting);

inline constexpr const char kVersionPath[] = "/software/zor_version.php";
inline constexpr const char kDealFeedPath[] = "/software/zor2_items.php";
inline constexpr const char kSalesCountPath[] = "/software/zor2_item.php?num_iid=";

// The version request ends within this time in all, whatever the service does.
inline constexpr int kVersionRequestLimitMs = 10000;
// A longer version reply is not read on: it is "too long" like any reply beyond 7 bytes.
inline constexpr std::size_t kLongestVersionReply = 1024;

// The version text of the service on a fresh client of its own, or "3.0.0.0" when the request
// fails, takes longer than kVersionRequestLimitMs or the reply is longer than 7 bytes. Never
// throws.
std::string FetchServiceVersion();

// The deal feed's body, fetched on the client between two disconnects. A failed request throws.
std::string FetchDealFeed(HttpClient& client);

// GETs ServiceBaseUrl + "/software/zor2_item.php?num_iid=" + num_iid (unencoded) on the client and
// reads the body strictly; an unreadable reply gives the fallback. A failed request throws.
int32_t FetchSalesNum(HttpClient& client, const std::string& num_iid, int32_t fallback);
