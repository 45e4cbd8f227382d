#include "app/start_budget.h"

#include <algorithm>
#include <optional>

namespace {

std::optional<StartClock::time_point>& Launch() {
    static std::optional<StartClock::time_point> launch;
    return launch;
}

StartLimits& Limits() {
    static StartLimits limits;
    return limits;
}

}  // namespace

void MarkLaunch() {
    if (!Launch())
        Launch() = StartClock::now();
}

StartClock::time_point LaunchTime() {
    return Launch() ? *Launch() : StartClock::now();
}

StartClock::time_point FeedDeadline() {
    return LaunchTime() + Limits().feed;
}

StartClock::time_point PicturesDeadline() {
    return std::min(StartClock::now() + Limits().pictures, LaunchTime() + Limits().window);
}

void SetStartLimitsForTesting(StartLimits limits) {
    Limits() = limits;
}
