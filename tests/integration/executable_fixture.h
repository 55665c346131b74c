#pragma once
// A private broker, the built agent executable on it (domain "cnc", agent
// "agent") and one client that has seen the agent's DncShim class info.
#include <gtest/gtest.h>

#include <csignal>
#include <memory>

#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

class ExecutableFixture : public ::testing::Test {
protected:
    explicit ExecutableFixture(const std::string& clientName) : client(clientName) {}

    void SetUp() override {
        using namespace std::chrono_literals;
        client.connect(broker.uri());
        client.subscribe("cnc/agent/DncShim/__classInfo__");
        agent = std::make_unique<testsupport::AgentProcess>(
            std::vector<std::string>{"-d", "cnc", "-a", "agent", "-b", broker.uri()});
        ASSERT_TRUE(client.waitForMessageOn("cnc/agent/DncShim/__classInfo__", 10s)) << agent->standardOutput();
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

    testsupport::MosquittoBroker broker;
    testsupport::MqttTestClient client;
    std::unique_ptr<testsupport::AgentProcess> agent;
};
