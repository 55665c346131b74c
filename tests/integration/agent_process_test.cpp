// The built executable, run as an operator runs it in the foreground.
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iterator>

#include "tests/support/agent_process.h"
#include "tests/support/test_broker.h"
#include "tests/support/loopback_port.h"
#include "tests/support/mqtt_test_client.h"

using namespace std::chrono_literals;
using testsupport::AgentProcess;

namespace {

const std::string kInfo = "proc/agent-x/__agentInfo__";

bool isStatus(const testsupport::ReceivedMessage& m, const std::string& status) {
    return m.topic == kInfo && m.isJson() && m.json.value("status", "") == status;
}

class AgentExecutable : public ::testing::Test {
protected:
    void SetUp() override {
        watcher.connect(broker.uri());
        watcher.subscribe(kInfo);
    }
    std::vector<std::string> arguments() const { return {"-d", "proc", "-a", "agent-x", "-b", broker.uri()}; }

    testsupport::TestBroker broker;
    testsupport::MqttTestClient watcher{"watcher"};
};

TEST_F(AgentExecutable, AnnouncesItselfAndLeavesCleanlyOnTerminate) {
    AgentProcess agent(arguments());
    ASSERT_TRUE(agent.waitForOutput("Connecting to the MQTT server... ", 30s)) << agent.standardOutput();
    ASSERT_TRUE(agent.waitForOutput("[OK]\n", 30s)) << agent.standardOutput();
    auto online = watcher.waitFor([](const auto& m) { return isStatus(m, "online"); }, 30s);
    ASSERT_TRUE(online);
    EXPECT_TRUE(agent.waitForOutput("Started heidenhain agent (Agent v4.0.3, SDK v", 5s)) << agent.standardOutput();
    if (!testsupport::agentRunsUnderWine()) {
        // Started again at once without glibc's per-thread block cache; its
        // arguments and output reached the second start.
        std::ifstream environ("/proc/" + std::to_string(agent.pid()) + "/environ");
        const std::string environment{std::istreambuf_iterator<char>(environ), {}};
        EXPECT_NE(environment.find("glibc.malloc.tcache_count=0"), std::string::npos);
    }
    const auto out = agent.standardOutput();
    EXPECT_NE(out.find("Domain          : proc\nAgent           : agent-x\nClient ID       : nolta"), std::string::npos) << out;
    EXPECT_NE(out.find("Broker URL      : " + broker.uri() + "\n------------------\n"), std::string::npos) << out;

    // A call answered: the agent's subscriptions are in place before it stops.
    EXPECT_EQ(watcher.call("proc/agent-x/DncShim/__static__/__getNamed__", {{"data", {{"_1", "none"}}}})["data"]["e"],
              "Instance with id: none does not exist");
    ASSERT_TRUE(agent.signal(SIGTERM));
    EXPECT_EQ(agent.waitForExit(10s), 0);
    EXPECT_TRUE(watcher.waitFor([](const auto& m) { return isStatus(m, "offline"); }, 5s));
    EXPECT_NE(agent.standardOutput().find("\nDisconnecting from the MQTT server... [OK]\n"), std::string::npos);
    EXPECT_NE(agent.standardOutput().find("Stopped heidenhain agent\n"), std::string::npos);
}

// A broker that no longer answers, its connection still open, must not keep
// the agent (a service, on Windows) from ending.
TEST_F(AgentExecutable, StopEndsWhenTheBrokerNoLongerAnswers) {
    AgentProcess agent(arguments());
    ASSERT_TRUE(watcher.waitFor([](const auto& m) { return isStatus(m, "online"); }, 30s));
    ASSERT_TRUE(broker.signal(SIGSTOP));
    struct Thaw {
        testsupport::TestBroker& broker;
        ~Thaw() { broker.signal(SIGCONT); }
    } thaw{broker};
    ASSERT_TRUE(agent.signal(SIGTERM));
    EXPECT_EQ(agent.waitForExit(30s), 0) << agent.standardOutput() << agent.standardError();
    EXPECT_NE(agent.standardOutput().find("Stopped heidenhain agent\n"), std::string::npos);
}

// The broker goes each time the agent has just come online, while it still
// publishes its class infos: a publication whose write fails on the broken
// link must not corrupt the agent (on Windows it crashed one in ten times).
TEST_F(AgentExecutable, BrokerRestartsWhileItPublishesLeaveItWhole) {
    AgentProcess agent(arguments());
    ASSERT_TRUE(watcher.waitFor([](const auto& m) { return isStatus(m, "online"); }, 30s));
    watcher.disconnect();
    for (int round = 0; round < 6; ++round) {
        broker.stop();
        broker.restart();
        testsupport::MqttTestClient after("after");
        after.connect(broker.uri(), 15s);
        after.subscribe(kInfo);
        ASSERT_TRUE(after.waitFor([](const auto& m) { return isStatus(m, "online"); }, 30s))
            << "round " << round << "\n" << agent.standardOutput() << agent.standardError();
    }
    testsupport::MqttTestClient last("last");
    last.connect(broker.uri(), 15s);
    EXPECT_EQ(last.call("proc/agent-x/DncShim/__static__/__getNamed__", {{"data", {{"_1", "none"}}}})["data"]["e"],
              "Instance with id: none does not exist");
    EXPECT_TRUE(agent.running());
}

TEST_F(AgentExecutable, LastWillAnnouncesAKilledAgent) {
    // A SIGKILL of Wine's process is not Windows' kill: with other Wine
    // processes busy, its broker connection stayed open past 10 s in half of
    // the runs. The Windows kill (taskkill /F) is in the service test.
    if (testsupport::agentRunsUnderWine()) GTEST_SKIP() << "the Windows kill is tested with the installed service";
    AgentProcess agent(arguments());
    ASSERT_TRUE(watcher.waitFor([](const auto& m) { return isStatus(m, "online"); }, 30s));
    ASSERT_TRUE(agent.signal(SIGKILL));
    agent.waitForExit(5s);
    auto will = watcher.waitFor([](const auto& m) { return isStatus(m, "offline"); }, 10s);
    ASSERT_TRUE(will);
    EXPECT_FALSE(will->json.value("hostname", "").empty());
    // A client that comes later still learns it from the retained message.
    testsupport::MqttTestClient late("late");
    late.connect(broker.uri());
    late.subscribe(kInfo);
    auto retained = late.waitForMessageOn(kInfo);
    ASSERT_TRUE(retained);
    EXPECT_TRUE(retained->retained);
    EXPECT_EQ(retained->json["status"], "offline");
}

TEST(AgentExecutableAlone, StopsWhileTheBrokerIsStillAwaited) {
    testsupport::ReservedLoopbackPort unused;
    AgentProcess agent({"-d", "proc", "-a", "agent-x", "-b", "tcp://127.0.0.1:" + std::to_string(unused.port())});
    // Tried again and again (every 2.5 s; 4.5 s by Windows' select loop) while the run waits.
    ASSERT_TRUE(testsupport::waitFor(
        [&] {
            auto err = agent.standardError();
            auto first = err.find("Connection failed\n");
            return first != std::string::npos && err.find("Connection failed\n", first + 1) != std::string::npos;
        },
        20s))
        << agent.standardError();
    ASSERT_TRUE(agent.signal(SIGINT));
    EXPECT_EQ(agent.waitForExit(10s), 0);
    EXPECT_NE(agent.standardOutput().find("Stopped heidenhain agent\n"), std::string::npos);
}

TEST(AgentExecutableAlone, MissingDomainIsABadCommandLineAndHelpStartsNothing) {
    const struct {
        std::vector<std::string> arguments;
        std::string printed;
    } runs[] = {
        {{"-a", "agent-x", "-d"},
         "Bad commandline: Bad parameters, expecting \"domain\" and \"agent\" to be defined.\n"},
        {{"-d", "dom", "-a", "agent-x", "--help"}, "  --sparkplug GROUP "},
    };
    for (const auto& run : runs) {
        AgentProcess agent(run.arguments);
        EXPECT_EQ(agent.waitForExit(10s), 0);
        EXPECT_NE(agent.standardOutput().find(run.printed), std::string::npos) << agent.standardOutput();
        EXPECT_EQ(agent.standardOutput().find("Connecting to the MQTT server"), std::string::npos);
    }
}

}  // namespace
