#include "deals/picture_cache_folder.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace {

bool IsAbsolute(const char* path) {
    return path && path[0] == '/';
}

bool IsWritableFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           ::access(path.c_str(), W_OK | X_OK) == 0;
}

std::string WithoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

}  // namespace

std::string ChooseImageCacheDir(const std::string& programFolder, const char* xdgCacheHome,
                                const std::string& home) {
    const std::string beside = WithoutTrailingSlashes(programFolder) + "/image";
    if (IsWritableFolder(beside))
        return beside;
    if (IsAbsolute(xdgCacheHome))
        return WithoutTrailingSlashes(xdgCacheHome) + "/zorvia/image";
    if (IsAbsolute(home.c_str()))
        return WithoutTrailingSlashes(home) + "/.cache/zorvia/image";
    return beside;
}

std::string UserHomeFolder() {
    const char* fromEnvironment = std::getenv("HOME");
    if (IsAbsolute(fromEnvironment))
        return fromEnvironment;
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(static_cast<size_t>(size > 0 ? size : 16384));
    passwd entry{};
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        IsAbsolute(found->pw_dir))
        return found->pw_dir;
    return "";
}
