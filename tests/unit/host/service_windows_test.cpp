// The service under the real service control manager (Wine's, here): the
// installer's sc.exe commands, the start step's mode decision, the
// dispatcher, the control handler and the events the service writes.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "host/installer.h"
#include "host/service_layer.h"
#include "platform/command_runner.h"
#include "platform/hostname.h"
#include "tests/support/wait_for.h"
#include "tests/windows/test_service_files.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

constexpr const wchar_t* kInstalledService = L"Orvane Heidenhain Agent";
constexpr const wchar_t* kAppIdKey = L"AppID\\{5562f21c-db10-4367-ba3c-8912f121cabe}";

// The program's registration as the service-module layer leaves it; removed
// again at the end of the test.
class AppIdRegistration {
public:
    explicit AppIdRegistration(const wchar_t* localService) {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CLASSES_ROOT, kAppIdKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
        if (localService) {
            RegSetValueExW(key, L"LocalService", 0, REG_SZ, reinterpret_cast<const BYTE*>(localService),
                           static_cast<DWORD>((wcslen(localService) + 1) * sizeof(wchar_t)));
        }
        RegCloseKey(key);
    }
    ~AppIdRegistration() { RegDeleteKeyW(HKEY_CLASSES_ROOT, kAppIdKey); }
};

// The installed service's state; 0 when it does not exist.
DWORD serviceState() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, kInstalledService, SERVICE_QUERY_STATUS);
    SERVICE_STATUS status{};
    const bool known = service && QueryServiceStatus(service, &status);
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return known ? status.dwCurrentState : 0;
}

std::vector<std::string> journal() {
    std::vector<std::string> lines;
    std::ifstream in(windowstest::testServiceJournal());
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

TEST(WindowsService, InstallsStartsLogsStopsAndUninstallsThroughTheServiceManager) {
    AppIdRegistration registration(L"heidenhain");
    std::remove(windowstest::testServiceJournal().c_str());
    // The command line up to the service switch, quotes escaped, as the
    // command-line step hands it to the installer.
    installService("\\\"" + windowstest::testServiceExecutable() + "\\\"", "broker.invalid");
    ASSERT_TRUE(testsupport::waitFor([] { return serviceState() == SERVICE_RUNNING; }, 60s))
        << "state " << serviceState();
    ASSERT_TRUE(testsupport::waitFor([] { return journal().size() >= 3; }, 30s));

    uninstallService();
    ASSERT_TRUE(testsupport::waitFor([] { return serviceState() == 0; }, 60s)) << "state " << serviceState();

    const std::string name = "heidenhain-" + platform::localHostName(128);
    const auto lines = journal();
    ASSERT_EQ(lines.size(), 5u) << ::testing::PrintToString(lines);
    EXPECT_THAT(lines[0], HasSubstr(quoted(windowstest::testServiceExecutable()) + " -d edge.orvane -a " + name +
                                    " -u " + name + " -P "));
    EXPECT_THAT(lines[0], HasSubstr(" -b ssl://broker.invalid:8883"));
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 1, lines.end()),
                ElementsAre("heidenhain/4: Started test service", "Orvane Heidenhain Agent/4: Test service running",
                            "heidenhain/4: Stopped test service", "heidenhain/4: Service stopped"));
}

// The service "heidenhain" as configured; empty when it does not exist.
std::string heidenhainServiceConfig() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceW(manager, L"heidenhain", SERVICE_QUERY_CONFIG);
    std::string text;
    DWORD size = 0;
    if (service && !QueryServiceConfigA(service, nullptr, 0, &size)) {
        std::vector<char> buffer(size);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        if (QueryServiceConfigA(service, config, size, &size)) {
            // Wine's service manager reports no dependencies, so "RPCSS" is not checked.
            text = std::to_string(config->dwServiceType) + " " + std::to_string(config->dwStartType) + " " +
                   config->lpBinaryPathName;
        }
    }
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return text;
}

// The AppID's "LocalService" value; "-" without the key.
std::string localServiceValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kAppIdKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return "-";
    char value[64] = "";
    DWORD size = sizeof value;
    RegQueryValueExA(key, "LocalService", nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return value;
}

TEST(WindowsService, LayerSwitchesRegisterAndRemoveTheServiceAndTheAppId) {
    char module[MAX_PATH];
    const std::string program(module, GetModuleFileNameA(nullptr, module, MAX_PATH));
    struct Step {
        const char* commandLine;
        std::string serviceConfig;
        std::string localService;
    } const steps[] = {
        {"prog.exe /Service", "16 3 " + quoted(program), "heidenhain"},
        {"prog.exe -regserver", "", ""},
        {"prog.exe /Service", "16 3 " + quoted(program), "heidenhain"},
        {"prog.exe /UnregServer", "", "-"},
    };
    for (const auto& step : steps) {
        int resultCode = -1;
        EXPECT_TRUE(handleStandardSwitches(step.commandLine, resultCode)) << step.commandLine;
        EXPECT_EQ(resultCode, 0) << step.commandLine;
        EXPECT_EQ(heidenhainServiceConfig(), step.serviceConfig) << step.commandLine;
        EXPECT_EQ(localServiceValue(), step.localService) << step.commandLine;
    }
}

// Started from a console, the program runs only when it is registered, and as
// a service only under the service manager.
TEST(WindowsService, StartOutsideTheServiceManagerEndsWithTheReason) {
    const std::string program = quoted(windowstest::testServiceExecutable()) + " -d d -a a";
    EXPECT_EQ(platform::systemCommandRunner(program), ERROR_FILE_NOT_FOUND) << "no AppID registration";
    AppIdRegistration registration(L"heidenhain");
    EXPECT_EQ(platform::systemCommandRunner(program), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
}

}  // namespace
}  // namespace heidenhain
