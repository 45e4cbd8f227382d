// The tests share one loopback server: the program reads the service address once, at its
// first use, so it is set before anything else runs.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QByteArray>

#include "app/application.h"
#include "loopback_server.h"
#include "test_main.h"
#include "test_support.h"

namespace {
LoopbackServer* g_server = nullptr;
}

LoopbackServer& TestServer() {
    return *g_server;
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing the tests do may leave this machine: no proxy from the environment, and a
    // per-user settings folder of their own.
    const std::string home = UsePrivateHome("zorvia-mw-home-");

    LoopbackServer server;
    g_server = &server;
    setenv("ZORVIA_SERVICE_URL", server.baseUrl().c_str(), 1);

    ZorviaApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
    g_server = nullptr;
    RemoveFolder(home);
    return result;
}
