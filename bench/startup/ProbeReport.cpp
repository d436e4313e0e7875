#include "ProbeReport.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

void ReportFirstPaint() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    std::printf("first_paint_ns %lld\n",
                static_cast<long long>(std::chrono::nanoseconds(now).count()));
    std::fflush(stdout);
}

void ReportResidentMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) {
            std::printf("rss_kb %lld\n", std::stoll(line.substr(6)));
            std::fflush(stdout);
            return;
        }
    }
}
