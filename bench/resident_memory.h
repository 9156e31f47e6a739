// The process's resident memory (VmRSS of /proc/self/status) in kB, -1 when it cannot be read.
#pragma once

#include <fstream>
#include <string>

inline long VmRssKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}
