// The process's resident memory from /proc/self/status, in kB: now (VmRSS) and at its peak (VmHWM);
// -1 when it cannot be read.
#pragma once

#include <fstream>
#include <string>

// The kB figure of the status line that starts with `field` ("VmRSS:").
inline long StatusKb(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
    }
    return -1;
}

inline long VmRssKb() {
    return StatusKb("VmRSS:");
}

inline long VmHwmKb() {
    return StatusKb("VmHWM:");
}
