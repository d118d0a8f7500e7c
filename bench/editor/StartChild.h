// What both start-up children print once their window shows and the event loop is idle:
// their resident memory, on one line, read by bench_lumoedit_start.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>

inline long ResidentKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    return -1;
}

inline void ReportIdle() {
    std::printf("idle rss_kib=%ld\n", ResidentKiB());
    std::fflush(stdout);
}
