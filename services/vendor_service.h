#pragma once
// The vendor's web service: where it is, what the program asks of it, and the marketplace
// pages the details window opens.

#include <string>

// Scheme and host of the service: the compiled-in default, replaced by the environment
// variable ZORVIA_SERVICE_URL when that is set at start.
std::string ServiceBaseUrl();

inline constexpr const char kVersionPath[] = "/software/zor_version.php";
inline constexpr const char kDealFeedPath[] = "/software/zor2_items.php";
inline constexpr const char kSalesCountPath[] = "/software/zor2_item.php?num_iid=";

// Scheme and host of the marketplace's item, shop and chat sites (the stand-in serves them).
std::string MarketplaceItemPageUrl();
std::string MarketplaceShopPageUrl();
std::string MarketplaceChatPageUrl();

// The version text of the service on a fresh client of its own, or "3.0.0.0" when the request
// fails or the reply is longer than 7 bytes. Never throws.
std::string FetchServiceVersion();
