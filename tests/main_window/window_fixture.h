#pragma once
// A main window built against the loopback server, with a picture cache folder of its own.

#include <gtest/gtest.h>

#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "deals/picture_cache.h"
#include "deals/vendor_service.h"
#include "loopback_server.h"
#include "test_main.h"
#include "test_support.h"
#include "views/dx_image.h"
#include "views/item_panel.h"
#include "views/label.h"

#include <QLineEdit>

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_cacheDir = MakeTempFolder("zorvia-mw-cache-");
        SetImageCacheDirForTesting(m_cacheDir);
        ASSERT_TRUE(server().resumeListening());
        server().clearReplies();
        server().clearRequests();
        server().hold();
    }
    void TearDown() override {
        server().release();
        window.reset();
        SetImageCacheDirForTesting("");
        RemoveFolder(m_cacheDir);
    }

    static LoopbackServer& server() { return TestServer(); }

    void serveFeed(const std::string& body, std::vector<std::string> headers = {}) {
        CannedReply reply;
        reply.body = body;
        reply.headers = std::move(headers);
        server().setReply(kDealFeedPath, reply);
    }

    TfrmZORMain& open(bool show = false) {
        window = std::make_unique<TfrmZORMain>();
        if (show) {
            window->show();
            EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        }
        return *window;
    }

    const std::string& cacheDir() const { return m_cacheDir; }

    std::unique_ptr<TfrmZORMain> window;

private:
    std::string m_cacheDir;
};
