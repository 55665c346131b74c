#pragma once
#include <string>

namespace heidenhain {

// The service-module layer's own switches (see findStandardSwitch). Returns
// true when it handled one, so that the program does not run the agent, and
// stores the layer's result in resultCode; false leaves both to the caller.
bool handleStandardSwitches(const std::string& commandLine, int& resultCode);

}  // namespace heidenhain
