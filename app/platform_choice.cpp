#include "app/platform_choice.h"

#include <cstdlib>

namespace {

std::optional<std::string> Variable(const char* name) {
    const char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    return std::string(value);
}

bool NotEmpty(const std::optional<std::string>& value) {
    return value && !value->empty();
}

}  // namespace

PlatformEnvironment PlatformEnvironment::FromProcess() {
    return {Variable("QT_QPA_PLATFORM"), Variable("WAYLAND_DISPLAY"), Variable("XDG_SESSION_TYPE")};
}

std::optional<std::string> ChoosePlatform(const PlatformEnvironment& environment,
                                          const std::vector<std::string>& args) {
    // The last one counts, as when Qt reads its own arguments.
    std::optional<std::string> named;
    for (size_t i = 0; i + 1 < args.size(); ++i) {
        if ((args[i] == "-platform" || args[i] == "--platform") && !args[i + 1].empty())
            named = args[++i];
    }
    if (named)
        return named;
    if (NotEmpty(environment.qtQpaPlatform))
        return std::nullopt;
    if (NotEmpty(environment.waylandDisplay) || environment.sessionType == "wayland")
        return std::string("xcb");
    return std::nullopt;
}
