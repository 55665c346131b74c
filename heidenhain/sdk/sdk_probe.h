#pragma once
// The first check on a new computer: can the agent make a machine object,
// read the SDK's version and, given a configured connection, reach the CNC?
#include <ostream>
#include <string>

namespace heidenhain {

// Writes one line per step; true when every step worked.
bool probeSdk(std::ostream& out, const std::string& connectionName);

}  // namespace heidenhain
