// orvalen-lists: prints what Orvalen makes of "SatelliteList.csv" and its channel lists in the
// working directory. With --why, dropped lines and their reasons go to standard error.
#include <cstdio>
#include <cstring>
#include <iostream>

#include "tools/ListsListing.h"

int main(int argc, char** argv) {
    bool why = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--why") == 0) {
            why = true;
        } else {
            std::fprintf(stderr, "usage: %s [--why]\n", argv[0]);
            return 2;
        }
    }
    std::ios::sync_with_stdio(false);
    orvalen::WriteListsListing(std::cout, why ? &std::cerr : nullptr);
    std::cout.flush();
    return 0;
}
