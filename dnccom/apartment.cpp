#include "dnccom/apartment.h"

#include <cstdio>
#include <string>

#include "dnccom/component.h"

namespace dnccom {
namespace {

// Whether this thread already belongs to an apartment, and which.
bool knownApartment(bool* multithreaded) {
    APTTYPE type;
    APTTYPEQUALIFIER qualifier;
    if (FAILED(CoGetApartmentType(&type, &qualifier))) return false;
    // Calls work in the implicit one only while others keep it: join it for real.
    if (qualifier == APTTYPEQUALIFIER_IMPLICIT_MTA) return false;
    *multithreaded = type == APTTYPE_MTA;
    return true;
}

}  // namespace

HRESULT joinMultithreadedApartment() {
    // Joined once and never left: a thread-exit destructor must not uninitialise
    // COM, and a thread of the component's (an event thread) is left as it is.
    thread_local HRESULT joined = [] {
        bool multithreaded = false;
        if (knownApartment(&multithreaded)) return multithreaded ? S_FALSE : RPC_E_CHANGED_MODE;
        return CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    }();
    if (joined == RPC_E_CHANGED_MODE) {
        noteFailure("CoInitializeEx(NULL, COINIT_MULTITHREADED) failed with RPC_E_CHANGED_MODE: this thread "
                    "already belongs to a single-threaded apartment, from which the component is not called");
    } else if (FAILED(joined)) {
        noteFailure("CoInitializeEx(NULL, COINIT_MULTITHREADED) failed with 0x" + [] (HRESULT hr) {
            char text[16];
            snprintf(text, sizeof(text), "%08lx", static_cast<unsigned long>(hr));
            return std::string(text);
        }(joined));
    }
    return joined;
}

}  // namespace dnccom
