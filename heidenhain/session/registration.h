#pragma once
// The remote surface of the CNC session.

namespace heidenhain {

// Enters the class "DncShim" and its member functions into the registry.
// Called at start-up (and by tests); later calls do nothing.
void registerDncShim();

}  // namespace heidenhain
