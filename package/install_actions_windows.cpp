// The Windows package's custom actions (heidenhain-agent.wxs), run by the
// Windows Installer in its custom-action server.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>
#include <psapi.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "dnccom/component_bitness.h"
#include "host/package_properties.h"
#include "host/password.h"
#include "platform/hostname.h"
#include "platform/wide_text.h"

namespace {

constexpr const wchar_t* kServiceName = L"Orvane Heidenhain Agent";

std::string property(MSIHANDLE install, const wchar_t* name) {
    wchar_t none[1] = L"";
    DWORD size = 0;
    if (MsiGetPropertyW(install, name, none, &size) != ERROR_MORE_DATA) return {};
    std::wstring value(++size, L'\0');
    if (MsiGetPropertyW(install, name, value.data(), &size) != ERROR_SUCCESS) return {};
    value.resize(size);
    return platform::toUtf8(value);
}

// A line in the installer's log; an error is also shown to the user (unless
// the install is silent) and ends the install.
void report(MSIHANDLE install, INSTALLMESSAGE kind, const std::string& text) {
    PMSIHANDLE record = MsiCreateRecord(1);
    MsiRecordSetStringW(record, 0, platform::toWide(text).c_str());
    MsiProcessMessage(install, kind, record);
}

UINT fail(MSIHANDLE install, const std::string& text) {
    report(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONERROR), text);
    return ERROR_INSTALL_FAILURE;
}

struct ServiceHandle {
    SC_HANDLE handle = nullptr;
    ~ServiceHandle() {
        if (handle) CloseServiceHandle(handle);
    }
};

// The command line of the installed service, when there is one.
std::optional<std::string> installedCommandLine() {
    ServiceHandle manager{OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    ServiceHandle service{manager.handle ? OpenServiceW(manager.handle, kServiceName, SERVICE_QUERY_CONFIG) : nullptr};
    if (!service.handle) return std::nullopt;
    DWORD needed = 0;
    QueryServiceConfigW(service.handle, nullptr, 0, &needed);
    std::vector<BYTE> buffer(needed);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (needed == 0 || !QueryServiceConfigW(service.handle, config, needed, &needed) || !config->lpBinaryPathName)
        return std::nullopt;
    return platform::toUtf8(config->lpBinaryPathName);
}

// Whether a process runs this program.
bool programRuns(const std::wstring& program) {
    std::vector<DWORD> ids(8192);
    DWORD bytes = 0;
    if (!EnumProcesses(ids.data(), static_cast<DWORD>(ids.size() * sizeof(DWORD)), &bytes)) return false;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, ids[i]);
        if (!process) continue;
        wchar_t path[1024];
        DWORD size = 1024;
        const bool same = QueryFullProcessImageNameW(process, 0, path, &size) && _wcsicmp(path, program.c_str()) == 0;
        CloseHandle(process);
        if (same) return true;
    }
    return false;
}

}  // namespace

// Before anything is installed: the service's command line from the
// properties (or the installed service's), and the refusals, while nothing
// is there yet to roll back.
extern "C" UINT __stdcall PrepareService(MSIHANDLE install) {
    try {
        // The agent loads the vendor's component into its own process.
        if (const auto problem = dnccom::componentInstallProblem())
            return fail(install, "This package's agent cannot run on this computer: " + *problem);
        const heidenhain::PackageProperties given{property(install, L"BROKER"), property(install, L"DOMAIN"),
                                                  property(install, L"AGENT"), property(install, L"USER"),
                                                  property(install, L"PASSWORD")};
        const auto installed = installedCommandLine();
        const auto result = heidenhain::packageServiceArguments(given, installed, platform::localHostName(128),
                                                                [] { return heidenhain::makePassword(); });
        if (!result.error.empty()) return fail(install, result.error);
        MsiSetPropertyW(install, L"SERVICEARGUMENTS", platform::toWide(result.arguments).c_str());
        report(install, INSTALLMESSAGE_INFO,
               installed ? "The service's command line is taken from the installed service, with the properties given"
                         : "The service's command line is made from the properties and the defaults");
        return ERROR_SUCCESS;
    } catch (const std::exception& error) {
        return fail(install, std::string("The service's command line could not be made: ") + error.what());
    }
}

// After the services are installed: restarts after failures, as the
// install switch configures them. A failure is logged, not fatal.
extern "C" UINT __stdcall ConfigureService(MSIHANDLE install) {
    ServiceHandle manager{OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    ServiceHandle service{manager.handle ? OpenServiceW(manager.handle, kServiceName, SERVICE_CHANGE_CONFIG | SERVICE_START)
                                         : nullptr};
    SC_ACTION restarts[3] = {{SC_ACTION_RESTART, 2000}, {SC_ACTION_RESTART, 2000}, {SC_ACTION_RESTART, 2000}};
    SERVICE_FAILURE_ACTIONSW actions{86400, nullptr, nullptr, 3, restarts};
    if (!service.handle || !ChangeServiceConfig2W(service.handle, SERVICE_CONFIG_FAILURE_ACTIONS, &actions))
        report(install, INSTALLMESSAGE_WARNING,
               "The service's restarts after a failure could not be set (error " + std::to_string(GetLastError()) +
                   "): set them with sc.exe failure");
    return ERROR_SUCCESS;
}


// On removal, with the services stopped. The agent's process may still run
// its program for a moment after its service reported stopped, and a file in
// use is replaced only at the next restart (exit code 3010; on an upgrade the
// old program would go on running): waits until no process runs the
// program, at most 30 s. Then removes the transfer folder "tmp" that the
// agent made beside the program, which the package did not install.
extern "C" UINT __stdcall ReleaseInstallFolder(MSIHANDLE install) {
    const std::filesystem::path folder = platform::toWide(property(install, L"CustomActionData"));
    if (folder.empty()) return ERROR_SUCCESS;
    const std::wstring program = (folder / L"heidenhain-agent.exe").wstring();
    for (int attempt = 0; attempt < 300 && programRuns(program); ++attempt) Sleep(100);
    std::error_code error;
    std::filesystem::remove_all(folder / L"tmp", error);
    if (error)
        report(install, INSTALLMESSAGE_WARNING, "The agent's transfer folder could not be removed: " + error.message());
    return ERROR_SUCCESS;
}
