#pragma once
// Every thread that calls the component joins the multithreaded apartment
// once, on its first call, and leaves it when the thread ends.
#include <objbase.h>

namespace dnccom {

// Joins the calling thread to the MTA unless it already joined through us;
// the result of that one CoInitializeEx (S_OK, S_FALSE, or a failure such as
// RPC_E_CHANGED_MODE for a thread already in a single-threaded apartment).
HRESULT joinMultithreadedApartment();

}  // namespace dnccom
