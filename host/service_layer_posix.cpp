#include "host/service_layer.h"
#include "host/standard_switches.h"

namespace heidenhain {

// There is no service manager and no COM registry here: the switches are
// recognised so that the command line means the same on every platform, and
// there is nothing to register.
bool handleStandardSwitches(const std::string& commandLine, int& resultCode) {
    if (findStandardSwitch(commandLine) == StandardSwitch::None) return false;
    resultCode = 0;
    return true;
}

}  // namespace heidenhain
