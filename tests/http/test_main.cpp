// The HTTP tests need a QCoreApplication (AntiFreeze dispatches its events) and must never pick
// up the proxy setting of whoever runs them: the per-user store lives in a fresh folder and
// http_proxy is cleared, so every request stays on loopback.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "test_support.h"

int main(int argc, char** argv) {
    TempDir config;
    ::setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    ::unsetenv("http_proxy");
    ::unsetenv("HTTP_PROXY");
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
