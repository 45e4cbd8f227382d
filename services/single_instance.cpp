#include "services/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {

int g_lockFd = -1;

bool IsOwnFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid();
}

}  // namespace

std::string SingleInstanceLockFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime) {
        struct stat info {};
        if (::stat(runtime, &info) == 0 && S_ISDIR(info.st_mode))
            return runtime;
    }
    return "/tmp/zorvia-" + std::to_string(::getuid());
}

bool TakeSingleInstanceLock(const std::string& folder, const std::string& name) {
    if (g_lockFd >= 0)
        return true;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return true;
    // A folder someone else made under our name could be used to lock us out; do not use it,
    // and do not refuse to start either.
    if (!IsOwnFolder(folder))
        return true;
    const std::string path = folder + "/" + name + ".lock";
    // Close-on-exec: the updater started at the hand-off must not inherit the lock, or the new
    // version it installs could not start while it runs.
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return true;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool heldByOther = errno == EWOULDBLOCK;
        ::close(fd);
        return !heldByOther;
    }
    g_lockFd = fd;
    return true;
}

void ReleaseSingleInstanceLock() {
    if (g_lockFd < 0)
        return;
    ::close(g_lockFd);
    g_lockFd = -1;
}
