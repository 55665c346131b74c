#include "host/com_apartment_windows.h"

#include <objbase.h>

#include <cstdio>

#include "host/log_event.h"
#include "platform/log.h"

namespace heidenhain {

HRESULT joinMultithreadedApartment(bool* joined) {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    *joined = SUCCEEDED(result);
    if (result == RPC_E_CHANGED_MODE && GetModuleHandleW(L"Mscoree.dll") != nullptr) return S_OK;
    if (FAILED(result)) {
        // The service ends with this code; say what it means.
        char code[16];
        std::snprintf(code, sizeof(code), "0x%08lx", static_cast<unsigned long>(result));
        const char* meaning = result == RPC_E_CHANGED_MODE
                                  ? " (RPC_E_CHANGED_MODE: the thread is already in a single-threaded apartment)"
                                  : "";
        platform::logConsole(platform::Severity::Error,
                             std::string("CoInitializeEx(NULL, COINIT_MULTITHREADED) failed with ") + code + meaning);
        logEvent("CoInitializeEx(NULL, COINIT_MULTITHREADED) failed with %s%s", code, meaning);
    }
    return result;
}

}  // namespace heidenhain
