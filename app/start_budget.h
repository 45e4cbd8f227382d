#pragma once
// How long a start may take. Whatever the service, the picture hosts and the proxy do (silence,
// one byte a second, bodies without end), the main window is on screen within a minute of
// launch: the version request ends within 10 s of its start (deals' own limit), the feed request
// 40 s after launch, and the tile pictures share one budget that ends 20 s after they begin and
// 55 s after launch at the latest.

#include <chrono>

using StartClock = std::chrono::steady_clock;

struct StartLimits {
    std::chrono::milliseconds feed{40000};      // from launch
    std::chrono::milliseconds pictures{20000};  // from the first tile picture
    std::chrono::milliseconds window{55000};    // from launch, for everything before the window
};

// The launch, taken first thing in the program; without it (a window made by a test), the
// moment it is asked for.
void MarkLaunch();
StartClock::time_point LaunchTime();

StartClock::time_point FeedDeadline();
// For the pictures of a start beginning now.
StartClock::time_point PicturesDeadline();

// Tests shorten the limits; the default ones come back with StartLimits().
void SetStartLimitsForTesting(StartLimits limits);
