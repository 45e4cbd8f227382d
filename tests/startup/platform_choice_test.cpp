// The platform asked of Qt: XWayland on a Wayland session, unless the user named a platform in
// QT_QPA_PLATFORM or with -platform on the command line.

#include <gtest/gtest.h>

#include "app/platform_choice.h"

namespace {

struct PlatformCase {
    const char* what;
    PlatformEnvironment environment;
    std::vector<std::string> args;
    std::optional<std::string> expected;
};

const std::optional<std::string> kUnset;

TEST(PlatformChoice, XWaylandOnAWaylandSessionUnlessTheUserChose) {
    const PlatformCase cases[] = {
        {"no session information", {kUnset, kUnset, kUnset}, {}, kUnset},
        {"X11 session", {kUnset, kUnset, "x11"}, {}, kUnset},
        {"Wayland display", {kUnset, "wayland-0", kUnset}, {}, "xcb"},
        {"Wayland session type only", {kUnset, kUnset, "wayland"}, {}, "xcb"},
        {"Wayland display inside an X11 session", {kUnset, "wayland-0", "x11"}, {}, "xcb"},
        {"empty Wayland display on a tty", {kUnset, "", "tty"}, {}, kUnset},
        {"Wayland, QT_QPA_PLATFORM chosen", {"wayland", "wayland-0", "wayland"}, {}, kUnset},
        {"Wayland, QT_QPA_PLATFORM empty", {"", "wayland-0", kUnset}, {}, "xcb"},
        {"Wayland, -platform chosen",
         {kUnset, "wayland-0", kUnset},
         {"-platform", "wayland"},
         "wayland"},
        {"Wayland, --platform chosen",
         {kUnset, "wayland-0", kUnset},
         {"--platform", "offscreen"},
         "offscreen"},
        {"X11, -platform chosen", {kUnset, kUnset, "x11"}, {"-platform", "xcb"}, "xcb"},
        {"the command line beats QT_QPA_PLATFORM",
         {"offscreen", kUnset, kUnset},
         {"-platform", "xcb"},
         "xcb"},
        {"the last -platform counts",
         {kUnset, "wayland-0", kUnset},
         {"-platform", "wayland", "-platform", "offscreen"},
         "offscreen"},
        {"-platform without a name is no choice",
         {kUnset, "wayland-0", kUnset},
         {"-platform"},
         "xcb"},
        {"-platform with an empty name is no choice",
         {kUnset, "wayland-0", kUnset},
         {"-platform", ""},
         "xcb"},
        {"a platform name alone is no option", {kUnset, "wayland-0", kUnset}, {"wayland"}, "xcb"},
    };
    for (const PlatformCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ChoosePlatform(c.environment, c.args), c.expected);
    }
}

}  // namespace
