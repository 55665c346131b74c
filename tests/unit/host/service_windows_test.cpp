// The service under the real service control manager (Wine's, here): the
// layer's registration switches, the installer's sc.exe commands, the start
// step's mode decision, the dispatcher, the stop handler and the events the
// service writes.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "host/installer.h"
#include "host/service_layer.h"
#include "platform/command_runner.h"
#include "platform/hostname.h"
#include "platform/module_path.h"
#include "platform/wide_text.h"
#include "tests/support/wait_for.h"
#include "tests/windows/test_service_files.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// The service's state and program (start type, then the image path); 0 and
// empty when it does not exist.
std::pair<DWORD, std::string> service(const char* name) {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service =
        OpenServiceW(manager, platform::toWide(name).c_str(), SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG);
    SERVICE_STATUS status{};
    std::vector<char> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    DWORD size = 0;
    std::pair<DWORD, std::string> result{0, ""};
    if (service && QueryServiceStatus(service, &status) && QueryServiceConfigW(service, config, 8192, &size)) {
        result = {status.dwCurrentState,
                  std::to_string(config->dwStartType) + " " + platform::toUtf8(config->lpBinaryPathName)};
    }
    if (service) CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

// Whether the AppID registration exists, and with a "LocalService" value.
std::string appIdRegistration() {
    const std::string key = "reg query \"HKCR\\AppID\\{5562f21c-db10-4367-ba3c-8912f121cabe}\"";
    if (platform::systemCommandRunner(key) != 0) return "none";
    return platform::systemCommandRunner(key + " /v LocalService") == 0 ? "service" : "foreground";
}

void sendControl(const char* name, DWORD control) {
    SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = OpenServiceA(manager, name, SERVICE_USER_DEFINED_CONTROL);
    SERVICE_STATUS status{};
    ControlService(service, control, &status);
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
}

int runLayer(const char* commandLine) {
    int resultCode = -1;
    EXPECT_TRUE(handleStandardSwitches(commandLine, resultCode)) << commandLine;
    return resultCode;
}

std::vector<std::string> journal(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(windowstest::widePath(path));
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A copy of the test service in a folder whose name has a blank and a letter
// that no ANSI code page of Western Europe holds.
std::string testServiceCopy() {
    const std::string folder = windowstest::besideThisExecutable("Pr\u00FCfstand \u03A9");
    std::filesystem::create_directories(windowstest::widePath(folder));
    const std::string copy = folder + "\\nolt_test_service.exe";
    // Removed first: the runtime's copy refuses to overwrite on Windows.
    std::filesystem::remove(windowstest::widePath(copy));
    std::filesystem::remove(windowstest::widePath(folder + "\\nolt_test_service.journal"));
    std::filesystem::copy_file(windowstest::widePath(windowstest::testServiceExecutable()), windowstest::widePath(copy));
    return copy;
}

TEST(WindowsService, RegistersInstallsStartsLogsStopsAndRemovesThroughTheServiceManager) {
    const std::string program = platform::modulePath();
    ASSERT_EQ(runLayer("prog.exe -regserver"), 0);
    EXPECT_EQ(appIdRegistration(), "foreground");
    ASSERT_EQ(runLayer("prog.exe /Service"), 0);
    EXPECT_EQ(appIdRegistration(), "service");
    EXPECT_EQ(service("heidenhain"), std::make_pair(DWORD(SERVICE_STOPPED), "3 " + quoted(program)));

    // The program's quoted path, quotes escaped, as the command-line step
    // hands it to the installer.
    const std::string copy = testServiceCopy();
    const std::string folder = platform::parentFolder(copy);
    const std::string copyJournal = folder + "\\nolt_test_service.journal";
    installService("\\\"" + copy + "\\\"", "broker.invalid");
    const char* installed = "Orvane Heidenhain Agent";
    ASSERT_TRUE(testsupport::waitFor([&] { return service(installed).first == SERVICE_RUNNING; }, 60s));
    const std::string name = "heidenhain-" + platform::localHostName(128);
    EXPECT_THAT(service(installed).second,
                ::testing::StartsWith("2 " + quoted(copy) + " -d edge.orvane -a " + name + " -u " + name + " -P "))
        << "starts automatically, the program by its UTF-16 path";
    ASSERT_TRUE(testsupport::waitFor([&] { return journal(copyJournal).size() >= 4; }, 30s));
    sendControl(installed, 200);  // a control code the service does not know
    ASSERT_TRUE(testsupport::waitFor([&] { return journal(copyJournal).size() >= 5; }, 30s));
    uninstallService();
    ASSERT_TRUE(testsupport::waitFor([&] { return service(installed).first == 0; }, 60s));

    const auto lines = journal(copyJournal);
    ASSERT_EQ(lines.size(), 7u) << ::testing::PrintToString(lines);
    EXPECT_THAT(lines[0], HasSubstr(" -d edge.orvane -a " + name + " -u " + name + " -P "));
    EXPECT_THAT(lines[0], HasSubstr(" -b ssl://broker.invalid:8883"));
    // The service works in its program's folder, not in the system folder.
    EXPECT_THAT(std::vector<std::string>(lines.begin() + 1, lines.end()),
                ElementsAre("heidenhain/4: Started test service", "heidenhain/4: Running " + copy + " in " + folder,
                            "Orvane Heidenhain Agent/4: Test service running", "heidenhain/4: Bad service request",
                            "heidenhain/4: Stopped test service", "heidenhain/4: Service stopped"));

    EXPECT_EQ(runLayer("prog.exe /UnregServer"), 0);
    EXPECT_EQ(appIdRegistration(), "none");
    EXPECT_EQ(service("heidenhain").first, 0u);
}

// Started from a console, the program runs only when it is registered, and as
// a service only under the service manager.
TEST(WindowsService, StartOutsideTheServiceManagerEndsWithTheReason) {
    const std::string program = quoted(windowstest::testServiceExecutable()) + " -d d -a a";
    EXPECT_EQ(platform::systemCommandRunner(program), ERROR_FILE_NOT_FOUND) << "no AppID registration";
    ASSERT_EQ(runLayer("prog.exe /Service"), 0);
    EXPECT_EQ(platform::systemCommandRunner(program), ERROR_FAILED_SERVICE_CONTROLLER_CONNECT);
    EXPECT_EQ(runLayer("prog.exe /UnregServer"), 0);
}

}  // namespace
}  // namespace heidenhain
