#include "host/com_apartment_windows.h"

#include <objbase.h>

namespace heidenhain {

HRESULT joinMultithreadedApartment(bool* joined) {
    const HRESULT result = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    *joined = SUCCEEDED(result);
    if (result == RPC_E_CHANGED_MODE && GetModuleHandleW(L"Mscoree.dll") != nullptr) return S_OK;
    return result;
}

}  // namespace heidenhain
