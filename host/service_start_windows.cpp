#include <windows.h>

#include <string>
#include <vector>

#include "host/com_apartment_windows.h"
#include "host/service_mode.h"
#include "host/service_start.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

constexpr const wchar_t* kAppIdKey = L"AppID\\{5562f21c-db10-4367-ba3c-8912f121cabe}";

// The registration's "LocalService" value, empty when it has none.
std::wstring localServiceValue(HKEY appId) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(appId, L"LocalService", nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_SZ || size < sizeof(wchar_t)) {
        return {};
    }
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(appId, L"LocalService", nullptr, nullptr, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS) {
        return {};
    }
    return value.data();
}

}  // namespace

int startService(const ServiceRunStep& runStep, const std::function<void()>& foregroundWaitForStop) {
    HKEY appId = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CLASSES_ROOT, kAppIdKey, 0, KEY_READ, &appId);
    if (opened != ERROR_SUCCESS) {
        // Nothing runs; say why, or a plant engineer sees only an exit code.
        platform::logError("The agent is not registered (error " + std::to_string(opened) +
                           " opening its AppID key): run it once with /RegServer to use it from a prompt, or "
                           "install the service with /Service");
        return static_cast<int>(opened);
    }
    const bool asService = !localServiceValue(appId).empty();
    RegCloseKey(appId);
    if (asService) return dispatchService(kServiceName, runStep);

    setServiceMode(false);
    bool joined = false;
    const HRESULT com = joinMultithreadedApartment(&joined);
    if (FAILED(com)) return static_cast<int>(com);
    const int result = runStep(foregroundWaitForStop);
    if (joined) CoUninitialize();
    return result;
}

}  // namespace heidenhain
