// orvalen-lists: prints what Orvalen makes of "SatelliteList.csv" and its channel lists in the
// working directory. With --why, dropped lines and their reasons go to standard error.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "Version.h"
#include "tools/ListsListing.h"

namespace {

constexpr const char* kUsage =
    "usage: orvalen-lists [--why]\n"
    "Prints, slot by slot, what Orvalen reads from SatelliteList.csv and the channel lists it\n"
    "names, all in the working directory.\n"
    "\n"
    "  --why      also write each dropped line and the reason to standard error\n"
    "  --help     print this help and exit\n"
    "  --version  print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    bool why = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--why") == 0) {
            why = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        } else if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("orvalen-lists %s\n", orvalen::kVersion);
            return 0;
        } else {
            std::fprintf(stderr, "orvalen-lists: unknown option '%s'\n%s", argv[i], kUsage);
            return 2;
        }
    }
    std::ios::sync_with_stdio(false);
    orvalen::WriteListsListing(std::cout, why ? &std::cerr : nullptr);
    std::cout.flush();
    return 0;
}
