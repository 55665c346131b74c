// The service control manager's side of the service: service entry, control
// handler and status reports. The manager calls both through plain function
// pointers, so the one service of the process keeps its state here.
#include <windows.h>

#include <atomic>
#include <mutex>

#include "host/com_apartment_windows.h"
#include "host/log_event.h"
#include "host/service_mode.h"
#include "host/service_start.h"
#include "platform/module_path.h"
#include "platform/wide_text.h"

namespace heidenhain {
namespace {

// How long the manager waits for the next report while starting (the SDK
// version query and the agent thread) and while stopping (the agent leaves
// its event loop, publishes "offline" and disconnects from the broker).
constexpr DWORD kStartWaitHintMs = 30000;
constexpr DWORD kStopWaitHintMs = 30000;

struct ServiceState {
    std::wstring name;
    ServiceRunStep runStep;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    std::mutex statusMutex;
    SERVICE_STATUS status{};
    std::atomic<DWORD> threadId{0};
    HANDLE stopEvent = nullptr;
    int exitCode = 0;
};

ServiceState& state() {
    static ServiceState service;
    return service;
}

// One report to the manager. Pending states carry a wait hint and a check
// point that grows with each report, so that the manager sees progress.
void reportStatus(DWORD currentState, DWORD waitHintMs = 0, DWORD exitCode = 0) {
    auto& service = state();
    std::lock_guard<std::mutex> lock(service.statusMutex);
    service.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    service.status.dwWin32ExitCode = exitCode;
    service.status.dwCurrentState = currentState;
    service.status.dwControlsAccepted = currentState == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    service.status.dwWaitHint = waitHintMs;
    const bool pending = currentState == SERVICE_START_PENDING || currentState == SERVICE_STOP_PENDING;
    service.status.dwCheckPoint = pending ? service.status.dwCheckPoint + 1 : 0;
    if (service.statusHandle) SetServiceStatus(service.statusHandle, &service.status);
}

// Stop ends the wait of the run step, which stops and joins the agent on the
// service thread; the handler itself returns at once, as the manager wants.
// A shutdown is ignored: the broker's last will announces the agent offline.
DWORD WINAPI controlHandler(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
            reportStatus(SERVICE_STOP_PENDING, kStopWaitHintMs);
            SetEvent(state().stopEvent);
            return NO_ERROR;
        case SERVICE_CONTROL_PAUSE:
        case SERVICE_CONTROL_CONTINUE:
        case SERVICE_CONTROL_INTERROGATE:
        case SERVICE_CONTROL_SHUTDOWN:
            return NO_ERROR;
        default:
            logEvent("Bad service request");
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void waitForStopControl() {
    reportStatus(SERVICE_RUNNING);
    WaitForSingleObject(state().stopEvent, INFINITE);
}

void WINAPI serviceEntry(DWORD, LPWSTR*) {
    auto& service = state();
    service.threadId = GetCurrentThreadId();
    // The manager starts services in the system folder; the agent's relative
    // paths (its "tmp" folder of transfer files) belong beside the program.
    const std::string folder = platform::parentFolder(platform::modulePath());
    if (!folder.empty()) SetCurrentDirectoryW(platform::toWide(folder).c_str());
    service.statusHandle = RegisterServiceCtrlHandlerExW(service.name.c_str(), controlHandler, nullptr);
    if (!service.statusHandle) {
        logEvent("Handler not installed");
        return;
    }
    reportStatus(SERVICE_START_PENDING, kStartWaitHintMs);

    bool joined = false;
    const HRESULT com = joinMultithreadedApartment(&joined);
    if (FAILED(com)) {
        service.exitCode = static_cast<int>(com);
    } else {
        service.exitCode = service.runStep(waitForStopControl);
    }
    if (joined) CoUninitialize();

    // Logged before the last report: once the manager hears "stopped" the
    // dispatcher returns and the process may end.
    logEvent("Service stopped");
    reportStatus(SERVICE_STOPPED, 0, static_cast<DWORD>(service.exitCode));
}

}  // namespace

int dispatchService(const std::string& serviceName, const ServiceRunStep& runStep) {
    auto& service = state();
    service.name = platform::toWide(serviceName);
    service.runStep = runStep;
    service.stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    setServiceMode(true);
    SERVICE_TABLE_ENTRYW table[] = {{service.name.data(), serviceEntry}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) return static_cast<int>(GetLastError());
    return service.exitCode;
}

}  // namespace heidenhain
