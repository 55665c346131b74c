#pragma once
// Our test component carries the simulated controls inside it and exports
// functions that drive them. When the registered component is that one, the
// agent offers the remote control class "DncSimulator" over them, so that
// black-box tests reach the Windows agent as they reach the Linux one. A
// vendor's component exports none of them, and the class does not exist.
#include <memory>

#include "dncsim/simulator_control.h"

namespace heidenhain {

// Null when the registered component lacks any of the functions.
std::shared_ptr<dncsim::SimulatorControl> componentSimulatorControl();

}  // namespace heidenhain
