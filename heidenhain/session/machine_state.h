#pragma once
// The coarse machine state summary that getMachineState reports.
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

namespace heidenhain {

struct MachineState {
    std::string state = "off";  // "off", "idle" or "running"
    std::uint64_t machineRunningTime = 0;  // seconds
    std::uint64_t machineUpTime = 0;       // seconds
    std::uint64_t ncUpTime = 0;            // seconds
};

inline void to_json(nlohmann::json& json, const MachineState& record) {
    json = {{"machineRunningTime", record.machineRunningTime},
            {"machineUpTime", record.machineUpTime},
            {"ncUpTime", record.ncUpTime},
            {"state", record.state}};
}

}  // namespace heidenhain
