#pragma once
// Which of Qt's window-system platforms the program asks for. The program places its own windows
// (the splash and the main window in the middle of the screen, the details window over the main
// window), which a Wayland client may not do; so on a Wayland session it runs as an X11 client
// through XWayland, unless the user has named a platform.

#include <optional>
#include <string>
#include <vector>

// The environment variables the choice depends on; nullopt when unset.
struct PlatformEnvironment {
    std::optional<std::string> qtQpaPlatform;   // QT_QPA_PLATFORM
    std::optional<std::string> waylandDisplay;  // WAYLAND_DISPLAY
    std::optional<std::string> sessionType;     // XDG_SESSION_TYPE

    static PlatformEnvironment FromProcess();
};

// The platform to hand to Qt as "-platform NAME", or nullopt to leave the choice to Qt. args are
// the command-line arguments after the program name.
//  - "-platform NAME" (or "--platform NAME") on the command line: NAME. The program hands Qt no
//    other argument of the user's, so it passes this one on.
//  - QT_QPA_PLATFORM set and not empty: nullopt; Qt follows it.
//  - a Wayland session (WAYLAND_DISPLAY not empty, or XDG_SESSION_TYPE "wayland"): "xcb".
//  - otherwise nullopt.
std::optional<std::string> ChoosePlatform(const PlatformEnvironment& environment,
                                          const std::vector<std::string>& args);
