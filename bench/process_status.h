#pragma once
// A field of /proc/PID/status in kB (VmRSS, VmHWM), -1 when it cannot be read.
#include <fstream>
#include <string>

inline long processStatusKb(int pid, const std::string& field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
    }
    return -1;
}
