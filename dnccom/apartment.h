#pragma once
// Every thread that calls the component from our side joins the
// multithreaded apartment once, on its first call, and stays in it.
#include <objbase.h>

namespace dnccom {

// S_OK or S_FALSE when the calling thread is in the multithreaded apartment
// (joined now or before); RPC_E_CHANGED_MODE for a thread already in a
// single-threaded apartment, or another failure of CoInitializeEx. A failure
// is noted for the thread (failureText()).
HRESULT joinMultithreadedApartment();

}  // namespace dnccom
