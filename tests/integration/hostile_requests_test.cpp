// Requests from careless or hostile clients on a shared broker: none may take
// the agent down or cost it its connection.
#include "tests/integration/agent_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

namespace {

std::size_t count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

const std::string kNul("a\0b", 3);

class HostileRequests : public AgentFixture {
protected:
    // The broker logs each connection of the agent's client id; a bad topic
    // makes it drop the connection, and the agent reconnects.
    std::size_t agentConnections() const { return count(broker.log(), " as nolta"); }
};

TEST_F(HostileRequests, SendersThatCannotTakeAReplyAreDropped) {
    auto id = create();
    const std::string victim = "r/victim";
    client.subscribe(victim);
    client.subscribe(staticTopic("__getNamed__"));
    const std::string senders[] = {"",
                                   "a/+/b",
                                   "a/#",
                                   "a\nb",
                                   kNul,
                                   "\xef\xbf\xbf",
                                   "\xef\xb7\x90",
                                   "\x7f",
                                   victim + std::string(65536, 'X'),
                                   staticTopic("__getNamed__"),
                                   instanceTopic(id, "name"),
                                   agent->prefix(),
                                   agent->topic("__agentInfo__"),
                                   agent->topic("Probe/__classInfo__"),
                                   agent->topic("Probe/" + id + "/__machineInfo__"),
                                   "spBv1.0/plant/NBIRTH/agent"};
    testing::internal::CaptureStderr();
    for (const auto& sender : senders) {
        client.publish(staticTopic("__getNamed__"), json{{"sender", sender}, {"data", {{"_1", "x"}}}});
    }
    EXPECT_EQ(call(instanceTopic(id, "name"))["data"]["r"], "p");
    const auto errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(count(errors, "Dropped a request to __getNamed__: "), std::size(senders)) << errors;
    auto onSelf = client.messages();
    EXPECT_EQ(std::count_if(onSelf.begin(), onSelf.end(), [&](auto& m) { return m.topic == staticTopic("__getNamed__"); }),
              std::ssize(senders)) << "only the requests themselves, no replies";
    EXPECT_FALSE(client.waitForMessageOn(victim, 0ms));
    EXPECT_EQ(agentConnections(), 1u);
}

TEST_F(HostileRequests, BadInstanceNamesAreRefusedAndNeverSubscribed) {
    const std::string names[] = {"a\nb", kNul,        "\xef\xbf\xbf", "\xef\xb7\x90", "\x1b", std::string(70000, 'n'),
                                 "x+",   "__static__"};
    for (const auto& name : names) {
        auto reply = call(staticTopic("__createNamed__"), {{"_1", name}, {"_2", "n"}});
        EXPECT_EQ(reply["data"]["e"].get<std::string>().rfind("Invalid instance name: \"", 0), 0u) << reply;
        EXPECT_EQ(call(staticTopic("__delete__"), {{"_1", name}})["data"]["r"], false);
    }
    // Deleting the reserved level must not take the class's static topics with it.
    EXPECT_EQ(count(broker.log(), "/__static__/name"), 0u);
    EXPECT_EQ(agentConnections(), 1u);
    // A reconnect subscribes the whole table again.
    broker.stop();
    broker.restart();
    ASSERT_TRUE(client.waitFor([](const auto& m) { return m.isJson() && m.json.value("status", "") == "online"; }, 15s));
    EXPECT_EQ(call(staticTopic("__getNamed__"), {{"_1", "z"}})["data"]["e"], "Instance with id: z does not exist");
    EXPECT_EQ(agentConnections(), 2u);
}

TEST_F(HostileRequests, DeepRequestsAreRefusedBeforeParsing) {
    const std::string deep = std::string(70000, '[') + std::string(70000, ']');
    const std::string sender = "\"sender\":\"" + client.replyTopic() + "\"";
    const std::string payloads[] = {"{" + sender + ",\"id\":\"d1\",\"data\":{\"_1\":" + deep + "}}",
                                    "{\"data\":{\"_1\":" + deep + "},\"id\":\"d2\"," + sender + "}"};
    for (const auto& payload : payloads) client.publishText(staticTopic("__getNamed__"), payload);
    client.publishText(staticTopic("__getNamed__"), deep);
    for (const char* id : {"d1", "d2"}) {
        auto reply = client.waitFor([&](const auto& m) { return m.isJson() && m.json["id"] == id; });
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->json["data"], (json{{"e", "Request refused: nested deeper than 256 levels"}}));
        EXPECT_EQ(reply->json["method"], "__getNamed__");
    }
    // Texts keep what follows a NUL.
    EXPECT_EQ(call(staticTopic("__getNamed__"), {{"_1", kNul}})["data"]["e"],
              "Instance with id: " + kNul + " does not exist");
}

}  // namespace
