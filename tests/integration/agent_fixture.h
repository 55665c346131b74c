#pragma once
// A private broker, the agent running in this process with the Probe class,
// and one connected client that has seen the agent come online.
#include <gtest/gtest.h>

#include <memory>

#include "tests/integration/probe_class.h"
#include "tests/support/broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

class AgentFixture : public ::testing::Test {
protected:
    void SetUp() override {
        probe::registerProbe();
        agent = std::make_unique<testsupport::InProcessAgent>(broker.uri(), "test", "agent1");
        client.connect(broker.uri());
        waitOnline(client);
    }

    // Waits for the retained agent info "online" and the Probe class info,
    // which the agent publishes after its subscribe request.
    void waitOnline(testsupport::MqttTestClient& c) {
        c.subscribe(agent->topic("Probe/__classInfo__"));
        c.subscribe(agent->topic("__agentInfo__"));
        ASSERT_TRUE(c.waitFor([](const testsupport::ReceivedMessage& m) {
            return m.isJson() && m.json.value("status", "") == "online";
        }));
        ASSERT_TRUE(c.waitForMessageOn(agent->topic("Probe/__classInfo__")));
    }

    std::string staticTopic(const std::string& function) const { return agent->topic("Probe/__static__/" + function); }
    std::string instanceTopic(const std::string& id, const std::string& function) const {
        return agent->topic("Probe/" + id + "/" + function);
    }
    nlohmann::json call(const std::string& topic, nlohmann::json data = nlohmann::json::object()) {
        return client.call(topic, {{"data", data}});
    }
    std::string create(const std::string& name = "p") {
        return call(staticTopic("__create__"), {{"_1", name}})["data"]["r"].get<std::string>();
    }

    testsupport::MosquittoBroker broker;
    std::unique_ptr<testsupport::InProcessAgent> agent;
    testsupport::MqttTestClient client{"tester"};
};
