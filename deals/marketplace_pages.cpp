#include "deals/marketplace_pages.h"

#include "deals/query_encoding.h"
#include "deals/vendor_service.h"

std::string MarketplaceItemPageUrl() {
    return ServiceBaseUrl() + "/market/item";
}
std::string MarketplaceShopPageUrl() {
    return ServiceBaseUrl() + "/market/shop";
}
std::string MarketplaceChatPageUrl() {
    return ServiceBaseUrl() + "/market/chat";
}

std::string ItemPageAddress(const std::string& itemUrl, const std::string& num_iid) {
    return !itemUrl.empty() ? itemUrl : MarketplaceItemPageUrl() + "/item.htm?id=" + num_iid;
}

std::string ShopPageAddress(const std::string& nick) {
    return MarketplaceShopPageUrl() + "/view_shop.htm?shop_nick=" + EncodeQueryValue(nick);
}

std::string ChatPageAddress(const std::string& nick, const std::string& num_iid) {
    return MarketplaceChatPageUrl() + "/webchat/?ver=1&&touid=cnmarket" + EncodeQueryValue(nick) +
           "&siteid=cnmarket&status=2&portalId=&gid=" + num_iid + "&itemsId=";
}
