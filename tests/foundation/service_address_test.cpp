// The service address taken from ZORVIA_SERVICE_URL: a trailing "/" is accepted, and no request
// path ever gets a "//".
#include <gtest/gtest.h>

#include "deals/vendor_service.h"

namespace {

TEST(ServiceAddress, TrailingSlashesAreDroppedSoNoPathHasTwo) {
    const struct {
        const char* setting;
        const char* base;
    } cases[] = {
        {nullptr, "http://127.0.0.1:8787"},
        {"", "http://127.0.0.1:8787"},
        {"http://vendor.test:8080", "http://vendor.test:8080"},
        {"http://vendor.test:8080/", "http://vendor.test:8080"},
        {"http://vendor.test:8080///", "http://vendor.test:8080"},
        {"http://vendor.test/zorvia/", "http://vendor.test/zorvia"},
        {"/", "http://127.0.0.1:8787"},
    };
    for (const auto& c : cases) {
        const std::string label = c.setting ? c.setting : "(unset)";
        const std::string base = ServiceBaseUrlFrom(c.setting);
        EXPECT_EQ(base, c.base) << label;
        for (const char* path : {kVersionPath, kDealFeedPath, kSalesCountPath}) {
            const std::string url = base + path;
            EXPECT_EQ(url.find("//", url.find("://") + 3), std::string::npos) << label << path;
        }
    }
}

}  // namespace
