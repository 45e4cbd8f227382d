// Downloads one URL into one file with FetchToFile, the way the picture cache does; the exit
// status tells whether it succeeded. Used by fetch_vs_curl.sh.
#include <cstdio>
#include <exception>

#include "services/http/http_client.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL FILE\n", argv[0]);
        return 2;
    }
    try {
        return FetchToFile(argv[1], argv[2]) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
