// The Windows agent as the installed service that a plant runs: installed by
// its own switch, started and stopped by the service manager, and killed.
// Wine's service manager stands in for Windows'; the Linux build has none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <functional>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wait_for.h"
#include "tests/support/wine.h"

using namespace std::chrono_literals;

namespace {

using testsupport::windowsAgent;

// Runs a Windows program under Wine to its end; its exit code.
int exitCodeUnderWine(const std::vector<std::string>& arguments, const testsupport::TempDir& directory) {
    return testsupport::runUnderWine(arguments, directory, 60s).exitCode;
}

// What Wine's services wrote (scripts/test), the agent's event log entries among it.
std::string servicesLog() {
    const char* path = std::getenv("NOLT_TEST_WINE_SERVICES_LOG");
    std::ifstream file(path ? path : "");
    return {std::istreambuf_iterator<char>(file), {}};
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
    const auto online = [](const auto& m) { return testsupport::isAgentStatus(m, "online"); };
    const auto offline = [](const auto& m) { return testsupport::isAgentStatus(m, "offline"); };

    // Removed before (a service left by an earlier run keeps its broker) and
    // after, however the test ends; registered again for the foreground runs
    // of the other tests.
    const auto remove = [&] {
        exitCodeUnderWine({program, "/UnregServer"}, directory);
        exitCodeUnderWine({program, "/RegServer"}, directory);
    };
    remove();
    struct Removal {
        std::function<void()> remove;
        ~Removal() { remove(); }
    } removal{remove};

    // Installed and started by its own switch, with the broker as a whole URI.
    ASSERT_EQ(exitCodeUnderWine({program, "/Service", broker.uri()}, directory), 0);
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
    ASSERT_EQ(exitCodeUnderWine({"sc", "stop", "Orvane Heidenhain Agent"}, directory), 0);
    EXPECT_TRUE(watcher.waitFor(offline, 30s)) << "no offline after the service stopped";

    // "sc stop" returns with the stop pending, and a start meanwhile is refused.
    const auto stopped = [&] {
        const auto query = testsupport::runUnderWine({"sc", "query", "Orvane Heidenhain Agent"}, directory, 60s);
        return query.output.find("STOPPED") != std::string::npos;
    };
    ASSERT_TRUE(testsupport::waitFor(stopped, 30s)) << "the service did not stop";
    watcher.clearMessages();
    ASSERT_EQ(exitCodeUnderWine({"sc", "start", "Orvane Heidenhain Agent"}, directory), 0);
    ASSERT_TRUE(watcher.waitFor(online, 30s)) << "not online after a start";
    // Killed: the broker announces the last will.
    watcher.clearMessages();
    exitCodeUnderWine({"taskkill", "/F", "/IM", "heidenhain-agent.exe"}, directory);
    EXPECT_TRUE(watcher.waitFor(offline, 30s)) << "no last will after the kill";

    EXPECT_EQ(exitCodeUnderWine({program, "/UnregServer"}, directory), 0);
    EXPECT_NE(exitCodeUnderWine({"sc", "query", "Orvane Heidenhain Agent"}, directory), 0) << "the service is left";
}

}  // namespace
