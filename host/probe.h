#pragma once
// "/Probe [connection]": the first thing an engineer runs on a new computer.
// It reports what the agent finds of the CNC SDK, tries a machine object and,
// given a configured connection name, a connection, and ends: exit code 0
// when everything the agent uses is there and works, 1 otherwise.
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace heidenhain {

inline constexpr const char* kProbeSwitch = "/Probe";

// The connection name after the switch (empty without one); nothing when the
// command line has no probe switch.
std::optional<std::string> probeSwitch(const std::string& commandLine);

// The component's own report (the COM registration on Windows), or none.
using ComponentReport = std::function<bool(std::ostream&)>;

int runProbe(std::ostream& out, const std::string& connectionName, const ComponentReport& component);

}  // namespace heidenhain
