// The remote control's functions for the program side of a simulated control.
#include <stdexcept>
#include <string>

#include "dnc/automatic.h"
#include "dncsim/remote_control.h"
#include "dncsim/simulator.h"

namespace dncsim {

bool DncSimulator::setDncMode(const std::string& host, int mode) {
    if (mode != dnc::DNC_MODE_LOCAL && mode != dnc::DNC_MODE_REMOTE) {
        throw std::invalid_argument("Unknown DNC mode: " + std::to_string(mode));
    }
    auto controller = Simulator::instance().controller(host);
    if (!controller) return false;
    controller->programs().setDncMode(mode);
    return true;
}

}  // namespace dncsim
