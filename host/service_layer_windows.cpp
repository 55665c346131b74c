// The service-module layer's own switches: the AppID registration that tells
// the start step how to run, and the service "heidenhain" that it runs as.
// The five sink classes are not registered as local-server classes: the
// sinks are objects inside this process, handed to the component directly,
// and nothing creates them through the registry.
#include <windows.h>

#include <string>

#include "host/log_event.h"
#include "host/service_layer.h"
#include "host/service_start.h"
#include "host/standard_switches.h"
#include "platform/wide_text.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

constexpr const wchar_t* kAppIdPath = L"AppID\\{5562f21c-db10-4367-ba3c-8912f121cabe}";
constexpr const wchar_t* kPerUserAppIdPath = L"Software\\Classes\\AppID\\{5562f21c-db10-4367-ba3c-8912f121cabe}";

// A failing step: the layer's text in the event log and on standard error (a
// service has no desktop for a message box), and the error as the result.
int fail(const char* text, DWORD error) {
    logEvent("%s", text);
    platform::logConsole(platform::Severity::Error, text);
    return static_cast<int>(HRESULT_FROM_WIN32(error));
}

struct ServiceManager {
    SC_HANDLE handle = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    ~ServiceManager() {
        if (handle) CloseServiceHandle(handle);
    }
};

// Stops and deletes the service "heidenhain" when it exists.
int removeService(const ServiceManager& manager) {
    SC_HANDLE service = OpenServiceW(manager.handle, platform::toWide(kServiceName).c_str(),
                                     SERVICE_STOP | DELETE | SERVICE_QUERY_STATUS);
    if (!service) {
        const DWORD error = GetLastError();
        return error == ERROR_SERVICE_DOES_NOT_EXIST ? 0 : fail("Could not open service", error);
    }
    SERVICE_STATUS status{};
    int result = 0;
    if (QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED &&
        !ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        result = fail("Could not stop service", GetLastError());
    }
    if (result == 0 && !DeleteService(service)) result = fail("Could not delete service", GetLastError());
    CloseServiceHandle(service);
    return result;
}

int createService(const ServiceManager& manager) {
    wchar_t module[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    const std::wstring imagePath = L"\"" + std::wstring(module, length) + L"\"";
    const std::wstring name = platform::toWide(kServiceName);
    SC_HANDLE service = CreateServiceW(manager.handle, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                                       imagePath.c_str(), nullptr, nullptr, L"RPCSS\0", nullptr, nullptr);
    if (!service) return fail("Could not start service", GetLastError());
    CloseServiceHandle(service);
    return 0;
}

// The AppID key, with the "LocalService" value when one is given.
int registerAppId(HKEY root, const wchar_t* path, const wchar_t* localService) {
    HKEY key = nullptr;
    LONG error = RegCreateKeyExW(root, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (error != ERROR_SUCCESS) return static_cast<int>(HRESULT_FROM_WIN32(error));
    RegDeleteValueW(key, L"LocalService");
    if (localService) {
        error = RegSetValueExW(key, L"LocalService", 0, REG_SZ, reinterpret_cast<const BYTE*>(localService),
                               static_cast<DWORD>((wcslen(localService) + 1) * sizeof(wchar_t)));
    }
    RegCloseKey(key);
    return static_cast<int>(HRESULT_FROM_WIN32(error));
}

void unregisterAppId(HKEY root, const wchar_t* path) { RegDeleteKeyW(root, path); }

int handle(StandardSwitch standardSwitch) {
    const bool perUser = standardSwitch == StandardSwitch::RegServerPerUser ||
                         standardSwitch == StandardSwitch::UnregServerPerUser;
    const HKEY root = perUser ? HKEY_CURRENT_USER : HKEY_CLASSES_ROOT;
    const wchar_t* appId = perUser ? kPerUserAppIdPath : kAppIdPath;
    ServiceManager manager;
    if (!manager.handle) return fail("Could not open Service Manager", GetLastError());
    const int removed = removeService(manager);
    switch (standardSwitch) {
        case StandardSwitch::UnregServer:
        case StandardSwitch::UnregServerPerUser:
            unregisterAppId(root, appId);
            return removed;
        case StandardSwitch::RegServer:
        case StandardSwitch::RegServerPerUser:
            return removed != 0 ? removed : registerAppId(root, appId, nullptr);
        case StandardSwitch::Service: {
            if (removed != 0) return removed;
            const int registered = registerAppId(root, appId, platform::toWide(kServiceName).c_str());
            return registered != 0 ? registered : createService(manager);
        }
        case StandardSwitch::None: break;
    }
    return 0;
}

}  // namespace

bool handleStandardSwitches(const std::string& commandLine, int& resultCode) {
    const StandardSwitch standardSwitch = findStandardSwitch(commandLine);
    if (standardSwitch == StandardSwitch::None) return false;
    resultCode = handle(standardSwitch);
    return true;
}

}  // namespace heidenhain
