#pragma once
// The check a function makes before it uses one of the session's
// interfaces: connected, and the interface obtained at connect.
#include "heidenhain/sdk/sdk_guard.h"

namespace heidenhain {

struct InterfaceCheck {
    const char* interfaceName;  // "Automatic", "ProcessData", "DataAccess", "ItncTable", "FileSystem"
    bool present;               // the session holds the interface
    const char* function;       // the DncShim member making the call, e.g. "getDncMode"
};

// Throws, with the texts clients know, when the session is not connected or lacks the interface.
void requireInterface(const SdkGuard& guard, const InterfaceCheck& check, CallSite site);

// The interface itself, after the check.
template <class Interface>
std::shared_ptr<Interface> requireInterface(const SdkGuard& guard, std::shared_ptr<Interface> held,
                                            const char* interfaceName, const char* function, CallSite site) {
    requireInterface(guard, InterfaceCheck{interfaceName, held != nullptr, function}, site);
    return held;
}

}  // namespace heidenhain
