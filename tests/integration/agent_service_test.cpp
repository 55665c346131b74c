// The Windows agent as the installed service that a plant runs: installed by
// its own switch, started and stopped by the service manager, and killed.
// Wine's service manager stands in for Windows'; the Linux build has none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <functional>
#include <sstream>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/child_process.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"

using namespace std::chrono_literals;

namespace {

// The Windows program of the agent and Wine's loader, from the test command.
struct WindowsAgent {
    std::string wine;
    std::string program;
};

WindowsAgent windowsAgent() {
    std::istringstream words(std::getenv("NOLT_TEST_AGENT_COMMAND"));
    WindowsAgent agent;
    words >> agent.wine >> agent.program;
    return agent;
}

// Runs a Windows program under Wine to its end; its exit code.
int runUnderWine(const std::vector<std::string>& arguments, const testsupport::TempDir& directory) {
    testsupport::ChildProcess process(windowsAgent().wine, arguments, directory.file("out.txt"),
                                      directory.file("err.txt"), directory.path());
    return process.waitForExit(60s).value_or(-1);
}

// What Wine's services wrote (scripts/test), the agent's event log entries among it.
std::string servicesLog() {
    const char* path = std::getenv("NOLT_TEST_WINE_SERVICES_LOG");
    std::ifstream file(path ? path : "");
    return {std::istreambuf_iterator<char>(file), {}};
}

bool isStatus(const testsupport::ReceivedMessage& m, const std::string& status) {
    return m.topic.ends_with("/__agentInfo__") && m.isJson() && m.json.value("status", "") == status;
}

TEST(AgentService, InstalledStartedStoppedAndKilledLeavesItsStatusRight) {
    if (!testsupport::agentRunsUnderWine()) GTEST_SKIP() << "the service manager is the Windows agent's";
    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient watcher("watcher");
    watcher.connect(broker.uri());
    // The install switch names the agent after the computer.
    watcher.subscribe("edge.orvane/+/__agentInfo__");
    testsupport::TempDir directory("nolt-service");
    const std::string program = windowsAgent().program;
    const auto online = [](const auto& m) { return isStatus(m, "online"); };
    const auto offline = [](const auto& m) { return isStatus(m, "offline"); };

    // Removed before (a service left by an earlier run keeps its broker) and
    // after, however the test ends; registered again for the foreground runs
    // of the other tests.
    const auto remove = [&] {
        runUnderWine({program, "/UnregServer"}, directory);
        runUnderWine({program, "/RegServer"}, directory);
    };
    remove();
    struct Removal {
        std::function<void()> remove;
        ~Removal() { remove(); }
    } removal{remove};

    // Installed and started by its own switch, with the broker as a whole URI.
    ASSERT_EQ(runUnderWine({program, "/Service", broker.uri()}, directory), 0);
    ASSERT_TRUE(watcher.waitFor(online, 30s)) << "not online after the install's start";

    // A broker restart: the service's warnings and errors reach the event log
    // (Wine writes its entries to the services' log), and it comes back.
    watcher.disconnect();
    broker.stop();
    const auto logged = [](const std::string& entry) {
        return testsupport::waitFor([&] { return servicesLog().find(entry) != std::string::npos; }, 30s);
    };
    EXPECT_TRUE(logged("warn:eventlog:ReportEventW L\"Connection lost")) << servicesLog();
    EXPECT_TRUE(logged("err:eventlog:ReportEventW L\"Connection failed")) << servicesLog();
    broker.restart();
    watcher.connect(broker.uri());
    watcher.subscribe("edge.orvane/+/__agentInfo__");
    ASSERT_TRUE(watcher.waitFor(online, 30s)) << "not online after the broker's restart";

    watcher.clearMessages();
    ASSERT_EQ(runUnderWine({"sc", "stop", "Orvane Heidenhain Agent"}, directory), 0);
    EXPECT_TRUE(watcher.waitFor(offline, 30s)) << "no offline after the service stopped";

    watcher.clearMessages();
    ASSERT_EQ(runUnderWine({"sc", "start", "Orvane Heidenhain Agent"}, directory), 0);
    ASSERT_TRUE(watcher.waitFor(online, 30s)) << "not online after a start";
    // Killed: the broker announces the last will.
    watcher.clearMessages();
    runUnderWine({"taskkill", "/F", "/IM", "heidenhain-agent.exe"}, directory);
    EXPECT_TRUE(watcher.waitFor(offline, 30s)) << "no last will after the kill";

    EXPECT_EQ(runUnderWine({program, "/UnregServer"}, directory), 0);
    EXPECT_NE(runUnderWine({"sc", "query", "Orvane Heidenhain Agent"}, directory), 0) << "the service is left";
}

}  // namespace
