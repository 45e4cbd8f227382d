// The details tests run inside the program's own application object, so an error escaping an
// event handler reaches the same report the user would see.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/application.h"

int main(int argc, char** argv) {
    // Amounts are checked with "." as the decimal separator.
    setenv("LC_ALL", "C", 1);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    ZorviaApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
