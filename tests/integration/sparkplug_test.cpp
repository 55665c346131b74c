// The agent as a Sparkplug B edge node, read the way a SCADA host reads it:
// every payload decoded by the npm package sparkplug-payload.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "heidenhain/text/base64.h"
#include "tests/integration/executable_fixture.h"
#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

const std::string kNode = "spBv1.0/plant/";

class Sparkplug : public ExecutableFixture {
protected:
    Sparkplug() : ExecutableFixture("sparkplug-test", {"--sparkplug", "plant"}), host("scada") {}

    void SetUp() override {
        if (testsupport::agentRunsUnderWine()) {
            GTEST_SKIP() << "Sparkplug B needs Protobuf, which the Windows cross builds lack";
        }
        for (auto* client : {&host, &recorder}) {
            client->connect(broker.uri());
            client->subscribe("spBv1.0/#");
        }
        ExecutableFixture::SetUp();
    }
    void TearDown() override {
        if (agent && agent->running()) ExecutableFixture::TearDown();
    }

    // Runs the decoder script; its standard output.
    std::string node(const std::vector<std::string>& arguments) {
        std::vector<std::string> all{NOLT_SPARKPLUG_PAYLOADS};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const auto out = scratch.path() / "out", err = scratch.path() / "err";
        std::filesystem::remove(out);
        testsupport::ChildProcess process(NOLT_NODE_EXECUTABLE, all, out, err);
        EXPECT_EQ(process.waitForExit(30s), 0) << std::ifstream(err).rdbuf();
        std::stringstream text;
        text << std::ifstream(out).rdbuf();
        return text.str();
    }

    json decode(const std::vector<testsupport::ReceivedMessage>& messages) {
        std::string lines;
        for (const auto& message : messages) {
            lines += message.topic + "\t" + heidenhain::base64Encode(message.payload) + "\n";
        }
        const auto file = scratch.path() / "payloads";
        std::ofstream(file) << lines;
        json decoded = json::array();
        std::istringstream out(node({"decode", file.string()}));
        for (std::string line; std::getline(out, line);) decoded.push_back(json::parse(line));
        return decoded;
    }

    // The payload of the next message of that type and device whose metric
    // `name` has `value` (any message without a name), decoded.
    json next(const std::string& type, const std::string& device = "", const std::string& name = "",
              const json& value = nullptr) {
        const std::string topic = kNode + type + "/agent" + (device.empty() ? "" : "/" + device);
        while (auto message = host.waitForMessageOn(topic, 10s)) {
            json payload = decode({*message})[0]["payload"];
            if (name.empty() || metric(payload, name) == value) return payload;
        }
        ADD_FAILURE() << "nothing on " << topic << (name.empty() ? "" : " with " + name + " " + value.dump());
        return json();
    }

    // A command as a host sends it, encoded by the same package.
    void command(const std::string& topic, const std::string& metric, const std::string& type,
                 const std::string& value) {
        const std::string base64 = node({"encode", metric, type, value});
        host.publishText(topic, heidenhain::base64Decode(base64));
    }

    static json metric(const json& payload, const std::string& name) {
        for (const auto& entry : payload["metrics"]) {
            if (entry["name"] == name) return entry["value"];
        }
        return json();
    }

    std::string createMachine(const std::string& name) {
        call("DncShim/__static__/__createNamed__", {{"_1", name}, {"_2", name}});
        return name;
    }

    testsupport::MqttTestClient host;
    testsupport::MqttTestClient recorder{"sparkplug-recorder"};  // keeps everything in arrival order
    testsupport::TempDir scratch{"sparkplug-test"};
};

TEST_F(Sparkplug, BirthsDataDeathsAndRebirthsAsAHostReadsThem) {
    const json birth = next("NBIRTH");
    EXPECT_EQ(birth["seq"], 0);
    const int bdSeq = metric(birth, "bdSeq");
    EXPECT_EQ(metric(birth, "Node Control/Rebirth"), false);
    EXPECT_TRUE(metric(birth, "Properties/Agent Version").is_string());
    EXPECT_EQ(metric(birth, "Properties/SDK Version"), "1.7.3.0");
    EXPECT_EQ(metric(birth, "Machines"), 0);

    const std::string simulator = call("DncSimulator/__static__/__create__")["r"];
    const std::vector<std::string> machines{"mill1", "mill2", "lathe1"};
    for (std::size_t i = 0; i < machines.size(); ++i) {
        call("DncShim/__static__/__createNamed__", {{"_1", machines[i]}, {"_2", machines[i]}});
        const json device = next("DBIRTH", machines[i]);
        EXPECT_EQ(metric(device, "State"), "disconnected") << machines[i];
        EXPECT_EQ(metric(device, "Connected"), false) << machines[i];
        next("NDATA", "", "Machines", i + 1);
    }

    // A connect and a lost link, each as data of that device.
    call("DncShim/mill1/connect", {{"_1", "mill1.local"}, {"_2", "tnc640"}});
    call("DncShim/lathe1/connect", {{"_1", "lathe1.local"}, {"_2", "itnc530"}});
    const json connected = next("DDATA", "mill1", "Connected", true);
    EXPECT_EQ(metric(connected, "Controller Type"), "tnc640");
    EXPECT_EQ(metric(connected, "Host"), "mill1.local");
    next("DDATA", "lathe1", "Controller Type", "itnc530");
    call("DncSimulator/" + simulator + "/raiseMachineEvent", {{"_1", "mill1.local"}, {"_2", 10}});
    const json lost = next("DDATA", "mill1", "State", "connection_lost");
    EXPECT_EQ(metric(lost, "Connected"), false);
    EXPECT_EQ(metric(lost, "Host"), nullptr) << "unchanged metrics stay out of DDATA";

    call("DncShim/__static__/__delete__", {{"_1", "mill2"}});
    EXPECT_EQ(next("DDEATH", "mill2")["metrics"], json::array());
    next("NDATA", "", "Machines", 2);

    // Writing through Sparkplug is refused and changes nothing.
    command(kNode + "DCMD/agent/lathe1", "State", "String", "machine_is_stopped");
    command(kNode + "NCMD/agent", "Properties/Host Name", "String", "spoofed");
    EXPECT_TRUE(agent->waitForError("refused DCMD to device lathe1", 10s));
    EXPECT_TRUE(agent->waitForError("refused NCMD metric \"Properties/Host Name\"", 10s));
    EXPECT_EQ(call("DncShim/lathe1/getState")["r"], "machine_is_available");

    // A rebirth on request: the same bdSeq, the numbers from 0, every device.
    command(kNode + "NCMD/agent", "Node Control/Rebirth", "Boolean", "true");
    const json rebirth = next("NBIRTH");
    EXPECT_EQ(rebirth["seq"], 0);
    EXPECT_EQ(metric(rebirth, "bdSeq"), bdSeq);
    EXPECT_EQ(metric(rebirth, "Machines"), 2);
    EXPECT_EQ(metric(next("DBIRTH", "lathe1"), "Controller Type"), "itnc530");
    EXPECT_EQ(metric(next("DBIRTH", "mill1"), "State"), "connection_lost");

    // The broker back: a new connection with the next bdSeq, a new birth.
    broker.stop();
    broker.restart();
    ASSERT_TRUE(host.waitConnected(10s));
    ASSERT_TRUE(recorder.waitConnected(10s));
    EXPECT_EQ(metric(next("NBIRTH"), "bdSeq"), bdSeq + 1);
    next("DBIRTH", "lathe1");
    next("DBIRTH", "mill1");

    // Killed: the broker sends the death certificate with that birth's bdSeq.
    host.clearMessages();
    agent->signal(SIGKILL);
    ASSERT_EQ(agent->waitForExit(10s), 128 + SIGKILL);
    const json death = next("NDEATH");
    EXPECT_EQ(metric(death, "bdSeq"), bdSeq + 1);
    EXPECT_FALSE(death.contains("seq"));

    // No gaps: from each birth on, the numbers count up by one as they arrive.
    int expected = 0, counted = 0;
    for (const auto& message : decode(recorder.messages())) {
        const std::string topic = message["topic"];
        if (topic.find("/NDEATH/") != std::string::npos || topic.find("CMD/") != std::string::npos) continue;
        if (topic.find("/NBIRTH/") != std::string::npos) expected = 0;
        EXPECT_EQ(message["payload"]["seq"], expected) << topic;
        expected = (expected + 1) % 256;
        ++counted;
    }
    EXPECT_GE(counted, 15);
}

}  // namespace
