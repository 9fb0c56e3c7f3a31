// This process's memory as the kernel counts it, for the memory tests and benchmarks.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

// A field of /proc/self/status ("VmRSS", resident now; "VmHWM", the peak resident), in
// bytes; -1 when it is not there.
inline int64_t ProcessStatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0) return std::stoll(line.substr(key.size())) * 1024;
    return -1;
}
