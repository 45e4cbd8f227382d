// Runs the start-up tests with a private home (no proxy setting of the user's leaks in), the
// service address pointing at a loopback server of the tests, and an offscreen application.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <string>

#include "app/application.h"
#include "test_service.h"

LoopbackServer& TestService() {
    static LoopbackServer server;
    return server;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    char pattern[] = "/tmp/zorvia-startup-test.XXXXXX";
    const char* home = ::mkdtemp(pattern);
    if (!home)
        return 2;
    ::setenv("HOME", home, 1);
    ::setenv("XDG_CONFIG_HOME", (std::string(home) + "/.config").c_str(), 1);
    for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
        ::unsetenv(name);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("ZORVIA_SERVICE_URL",
             ("http://127.0.0.1:" + std::to_string(TestService().port())).c_str(), 1);

    ZorviaApplication app(argc, argv);
    const int result = RUN_ALL_TESTS();
    std::string cleanup = std::string("rm -rf '") + home + "'";
    if (std::system(cleanup.c_str()) != 0)
        return result ? result : 1;
    return result;
}
