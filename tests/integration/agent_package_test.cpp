// The Windows packages as plant IT uses them: a silent install with the
// broker as a property, a major upgrade that keeps the service's command
// line, a removal that leaves nothing, and the installs it refuses. Run by
// scripts/test --windows in a fresh Wine prefix with the test component
// registered, the packages named by NOLT_TEST_PACKAGE and NOLT_TEST_UPGRADE_PACKAGE.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wine.h"

using namespace std::chrono_literals;

namespace {

const char* const kServiceKey = "HKLM\\SYSTEM\\CurrentControlSet\\Services\\Orvane Heidenhain Agent";

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// A registry value (the key's default one for an empty name) as Wine's reg.exe
// prints it; empty when there is none.
std::string registryValue(const std::string& key, const std::string& name, const testsupport::TempDir& directory) {
    const std::vector<std::string> value = name.empty() ? std::vector<std::string>{"/ve"} : std::vector<std::string>{"/v", name};
    std::vector<std::string> command{"reg", "query", key};
    command.insert(command.end(), value.begin(), value.end());
    const std::string output = testsupport::runUnderWine(command, directory).output;
    const auto type = output.find("REG_SZ");
    if (type == std::string::npos) return {};
    const auto start = output.find_first_not_of(' ', type + 6);
    return output.substr(start, output.find_first_of("\r\n", start) - start);
}

// The folder of the installed program in the prefix, from the service's command line.
std::filesystem::path installFolder(const std::string& imagePath) {
    std::string folder = imagePath.substr(imagePath.starts_with('"') ? 1 : 0);
    folder = folder.substr(0, folder.find("heidenhain-agent.exe"));
    for (char& c : folder)
        if (c == '\\') c = '/';
    return std::filesystem::path(environment("WINEPREFIX")) / "drive_c" / folder.substr(3);
}

// Where a 64-bit package installs in a 64-bit prefix, and any package in a 32-bit one.
std::filesystem::path defaultFolder() {
    return std::filesystem::path(environment("WINEPREFIX")) / "drive_c" / "Program Files" / "Orvane Heidenhain Agent";
}

struct Install {
    int exitCode;
    std::string log;
};

Install msiexec(const std::vector<std::string>& arguments, const testsupport::TempDir& directory) {
    const auto log = directory.file("msiexec.log");
    std::filesystem::remove(log);
    std::vector<std::string> command{"msiexec"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    command.insert(command.end(), {"/qn", "/l*v", testsupport::windowsPath(log.string())});
    return {testsupport::runUnderWine(command, directory, 300s).exitCode, testsupport::readFile(log)};
}

class AgentPackage : public testing::Test {
protected:
    void SetUp() override {
        if (package_.empty()) GTEST_SKIP() << "scripts/test --windows names the packages";
        // Whatever an earlier test left installed goes first.
        testsupport::runUnderWine({"msiexec", "/x", package_, "/qn"}, directory_, 300s);
    }
    const std::string package_ = environment("NOLT_TEST_PACKAGE");
    const std::string upgrade_ = environment("NOLT_TEST_UPGRADE_PACKAGE");
    testsupport::TempDir directory_{"nolt-package"};
};

TEST_F(AgentPackage, InstallsUpgradesAndRemovesTheService) {
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient watcher("watcher");
    watcher.connect(broker.uri());
    watcher.subscribe("edge.orvane/+/__agentInfo__");
    const auto status = [](const char* wanted) {
        return [wanted](const auto& m) { return testsupport::isAgentStatus(m, wanted); };
    };

    // A silent install with the broker as a whole URI: the build has no TLS.
    const auto installed = msiexec({"/i", package_, "BROKER=" + broker.uri()}, directory_);
    ASSERT_EQ(installed.exitCode, 0) << installed.log;
    const std::string imagePath = registryValue(kServiceKey, "ImagePath", directory_);
    EXPECT_NE(imagePath.find("heidenhain-agent.exe -d edge.orvane -a heidenhain-"), std::string::npos) << imagePath;
    EXPECT_TRUE(imagePath.ends_with(" -b " + broker.uri())) << imagePath;
    EXPECT_EQ(registryValue(kServiceKey, "Description", directory_),
              "Connecting Heidenhain controlled CNC machines to Orvane Linkwerk");
    ASSERT_TRUE(watcher.waitFor(status("online"), 60s)) << "the service did not start";
    const auto folder = installFolder(imagePath);
    for (const char* file : {"heidenhain-agent.exe", "heidenhain-client.exe", "README.md",
                             "licences/paho-mqtt-c-epl-v20.txt"})
        EXPECT_TRUE(std::filesystem::exists(folder / file)) << folder / file;

    // A newer package without properties: the same command line (its
    // password too), and the service restarted from the new files.
    watcher.clearMessages();
    const auto upgraded = msiexec({"/i", upgrade_}, directory_);
    ASSERT_EQ(upgraded.exitCode, 0) << upgraded.log;
    EXPECT_EQ(registryValue(kServiceKey, "ImagePath", directory_), imagePath);
    EXPECT_TRUE(watcher.waitFor(status("offline"), 60s)) << "the old service was not stopped";
    EXPECT_TRUE(watcher.waitFor(status("online"), 60s)) << "the new service did not start";
    EXPECT_NE(upgraded.log.find("WIX_UPGRADE_DETECTED = {"), std::string::npos) << "no major upgrade";
    // One product in "Apps & features", of the new version.
    const std::string products = testsupport::runUnderWine(
        {"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s"}, directory_).output;
    const std::string version = upgrade_.substr(upgrade_.rfind("heidenhain-agent-") + 17);
    EXPECT_NE(products.find("DisplayVersion    REG_SZ    " + version.substr(0, version.rfind('-'))), std::string::npos)
        << products;
    EXPECT_EQ(products.find("Orvane Heidenhain Agent"), products.rfind("Orvane Heidenhain Agent")) << products;

    // Removal: the service, every file and the agent's transfer folder go.
    std::filesystem::create_directories(folder / "tmp" / "sub");
    testsupport::writeFile(folder / "tmp" / "sub" / "transfer.tmp", "part program");
    watcher.clearMessages();
    const auto removed = msiexec({"/x", upgrade_}, directory_);
    ASSERT_EQ(removed.exitCode, 0) << removed.log;
    EXPECT_TRUE(watcher.waitFor(status("offline"), 60s)) << "no offline after the removal";
    EXPECT_EQ(registryValue(kServiceKey, "ImagePath", directory_), "") << "the service is left";
    EXPECT_FALSE(std::filesystem::exists(folder)) << "files are left in " << folder;
}

TEST_F(AgentPackage, RefusesWhatTheAgentCouldNotRunWithAndLeavesNothing) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "BROKER is missing: give the broker's host name or URI"},
        {"BROKER=tcp://", "BROKER \"tcp://\" is not a broker the agent can connect to"},
        {"BROKER=mqtt.plant.local", "this build of the agent has no TLS"},
        {"BROKER=tcp://mqtt.plant.local:1883 DOMAIN=plant/north", "DOMAIN \"plant/north\" cannot be a topic level"},
    };
    for (const auto& [properties, message] : cases) {
        std::vector<std::string> arguments{"/i", package_};
        std::istringstream words(properties);
        for (std::string word; words >> word;) arguments.push_back(word);
        const auto refused = msiexec(arguments, directory_);
        EXPECT_NE(refused.exitCode, 0) << properties;
        EXPECT_NE(refused.log.find(message), std::string::npos) << properties << "\n" << refused.log;
        EXPECT_EQ(registryValue(kServiceKey, "ImagePath", directory_), "") << properties;
        EXPECT_FALSE(std::filesystem::exists(defaultFolder())) << properties;
    }
}

TEST_F(AgentPackage, RefusesAComponentRegisteredForTheOtherBitnessOnly) {
    if (!package_.ends_with("-x64.msi")) GTEST_SKIP() << "a 32-bit prefix has no 64-bit view to move it from";
    // The test component's machine class, moved to the 32-bit view, and put back.
    const std::string key = "HKCR\\CLSID\\{2936741c-e6a9-4138-8f14-57bd6e214bd5}\\InprocServer32";
    const std::string server = registryValue(key, "", directory_);
    ASSERT_FALSE(server.empty()) << "the test component is not registered";
    testsupport::runUnderWine({"reg", "delete", key, "/f"}, directory_);
    testsupport::runUnderWine({"reg", "add", key, "/ve", "/d", server, "/reg:32", "/f"}, directory_);
    const auto refused = msiexec({"/i", package_, "BROKER=tcp://127.0.0.1:1883"}, directory_);
    testsupport::runUnderWine({"reg", "delete", key, "/reg:32", "/f"}, directory_);
    testsupport::runUnderWine({"regsvr32", "/s", server}, directory_);
    EXPECT_NE(refused.exitCode, 0);
    EXPECT_NE(refused.log.find("the component is registered for 32-bit programs only, use the agent built for x86"),
              std::string::npos) << refused.log;
    EXPECT_FALSE(std::filesystem::exists(defaultFolder()));
}

}  // namespace
