#pragma once
// The marketplace's pages the details window opens in the browser: a deal's item page, the
// seller's shop and the web chat with the seller. The stand-in service serves all three sites.

#include <string>

// Scheme and host of the marketplace's item, shop and chat sites.
std::string MarketplaceItemPageUrl();
std::string MarketplaceShopPageUrl();
std::string MarketplaceChatPageUrl();

// The deal's own item address when the feed gave one, else the marketplace's page of num_iid
// (the id unencoded).
std::string ItemPageAddress(const std::string& itemUrl, const std::string& num_iid);
// The seller's shop, the nick encoded as a query value.
std::string ShopPageAddress(const std::string& nick);
// The web chat with the seller about the deal num_iid.
std::string ChatPageAddress(const std::string& nick, const std::string& num_iid);
