#pragma once
// Joining the multithreaded COM apartment for the thread that runs the agent.
#include <windows.h>

namespace heidenhain {

// S_OK or S_FALSE when this thread is now in the multithreaded apartment (and
// must leave it again); the failure otherwise. A thread already in another
// apartment is accepted when the .NET runtime is loaded, which puts threads
// there itself: *joined is then false.
HRESULT joinMultithreadedApartment(bool* joined);

}  // namespace heidenhain
