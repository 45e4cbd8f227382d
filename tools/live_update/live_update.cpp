// liveUpdate.exe: stands in for the real updater. It appends one line to its record, each
// argument in square brackets so that empty arguments and spaces stay visible
// ("[Tembrak]"), and says what it did on its output. The record is $ZORVIA_UPDATER_RECORD, or
// liveUpdate.log beside this program.
//
// With ZORVIA_UPDATER_START_PROGRAM=1 it then starts the program beside it at once, as an
// updater that has installed the new version would (with ZORVIA_SERVICE_URL taken from
// ZORVIA_UPDATER_SERVICE_URL when that is set), and does not wait for it.
#include <spawn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ownFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    if (length <= 0)
        return ".";
    path.resize(static_cast<size_t>(length));
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

}  // namespace

int main(int argc, char** argv) {
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            line += ' ';
        line += '[';
        line += argv[i];
        line += ']';
    }

    const char* fromEnvironment = std::getenv("ZORVIA_UPDATER_RECORD");
    const std::string record = fromEnvironment && *fromEnvironment
                                   ? std::string(fromEnvironment)
                                   : ownFolder() + "/liveUpdate.log";

    FILE* file = std::fopen(record.c_str(), "a");
    if (!file) {
        std::fprintf(stderr, "liveUpdate.exe: cannot write %s\n", record.c_str());
        return 1;
    }
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);

    std::printf(
        "liveUpdate.exe: started with %d argument(s) %s; nothing to install here, "
        "recorded in %s\n",
        argc - 1, line.c_str(), record.c_str());

    const char* startProgram = std::getenv("ZORVIA_UPDATER_START_PROGRAM");
    if (startProgram && std::string(startProgram) == "1") {
        const char* serviceUrl = std::getenv("ZORVIA_UPDATER_SERVICE_URL");
        if (serviceUrl && *serviceUrl)
            ::setenv("ZORVIA_SERVICE_URL", serviceUrl, 1);
        const std::string program = ownFolder() + "/zorvia";
        char* const programArgv[] = {const_cast<char*>(program.c_str()), nullptr};
        pid_t child = 0;
        const int rc =
            ::posix_spawn(&child, program.c_str(), nullptr, nullptr, programArgv, environ);
        std::printf("liveUpdate.exe: started %s: %s\n", program.c_str(), rc == 0 ? "ok" : "failed");
    }
    return 0;
}
