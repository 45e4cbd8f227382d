// ZorviaII: the program entry. The start-up sequence lives in app/startup.cpp.
#include "app/startup.h"

int main(int argc, char** argv) {
    return RunZorvia(argc, argv);
}
