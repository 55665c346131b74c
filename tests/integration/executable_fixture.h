#pragma once
// A private broker, the built agent executable on it (domain "cnc", agent
// "agent") and one client that has seen the agent's DncShim class info.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "tests/support/agent_process.h"
#include "tests/support/test_broker.h"
#include "tests/support/mqtt_test_client.h"

class ExecutableFixture : public ::testing::Test {
protected:
    explicit ExecutableFixture(const std::string& clientName, std::vector<std::string> extraArguments = {})
        : client(clientName), extraArguments_(std::move(extraArguments)) {}

    void SetUp() override {
        using namespace std::chrono_literals;
        client.connect(broker.uri());
        client.subscribe("cnc/agent/DncShim/__classInfo__");
        std::vector<std::string> arguments{"-d", "cnc", "-a", "agent", "-b", broker.uri()};
        arguments.insert(arguments.end(), extraArguments_.begin(), extraArguments_.end());
        agent = std::make_unique<testsupport::AgentProcess>(arguments);
        // A Windows agent under Wine may take seconds to start on a busy machine.
        ASSERT_TRUE(client.waitForMessageOn("cnc/agent/DncShim/__classInfo__", 30s)) << agent->standardOutput();
    }
    void TearDown() override {
        using namespace std::chrono_literals;
        agent->signal(SIGTERM);
        EXPECT_EQ(agent->waitForExit(15s), 0);
    }

    // A request on the agent's topic `path` ("DncShim/<id>/connect"): the reply's "data".
    nlohmann::json call(const std::string& path, nlohmann::json data = nlohmann::json::object()) {
        return client.call("cnc/agent/" + path, {{"data", data}}, std::chrono::seconds(15))["data"];
    }

    testsupport::TestBroker broker;
    testsupport::MqttTestClient client;
    std::unique_ptr<testsupport::AgentProcess> agent;

private:
    std::vector<std::string> extraArguments_;
};
