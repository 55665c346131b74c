#include <future>

#include "agent/local_factory.h"
#include "tests/integration/agent_fixture.h"

using nlohmann::json;
using namespace std::chrono_literals;

TEST_F(AgentFixture, CreateReplyKeepsTheRequest) {
    client.publish(staticTopic("__create__"),
                   {{"sender", client.replyTopic()}, {"id", 7}, {"data", {{"_1", "p1"}}}, {"custom", "kept"}});
    auto message = client.waitForMessageOn(client.replyTopic());
    ASSERT_TRUE(message);
    json reply = message->json;
    EXPECT_EQ(reply["id"], 7);
    EXPECT_EQ(reply["context"], "Probe");
    EXPECT_EQ(reply["method"], "__create__");
    EXPECT_EQ(reply["sender"], client.replyTopic());
    EXPECT_EQ(reply["custom"], "kept");
    EXPECT_EQ(reply["data"]["_1"], "p1");
    const std::string id = reply["data"]["r"];
    EXPECT_EQ(call(instanceTopic(id, "name"))["data"]["r"], "p1");
}

TEST_F(AgentFixture, FailedCreateIsAnsweredAndLeavesNothing) {
    auto reply = call(staticTopic("__create__"), {{"_1", "boom"}});
    EXPECT_EQ(reply["data"]["e"], "cannot build boom");
    EXPECT_FALSE(reply["data"].contains("r"));
    EXPECT_EQ(broker.log().find(client.clientInfoTopic()), std::string::npos) << "no client recorded";
}

TEST_F(AgentFixture, ClientThatDeletedItsOnlyInstanceIsNoLongerWatched) {
    auto id = create();
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return broker.log().find("\t" + client.clientInfoTopic() + " (QoS 1)") != std::string::npos; }, 5s));
    EXPECT_EQ(call(staticTopic("__delete__"), {{"_1", id}})["data"]["r"], true);
    EXPECT_TRUE(testsupport::waitFor(
        [&] { return broker.log().find("\t" + client.clientInfoTopic() + "\n") != std::string::npos; }, 5s));
}

TEST_F(AgentFixture, EveryParameterTypeOverTheBroker) {
    auto id = create();
    EXPECT_EQ(call(instanceTopic(id, "echo"), {{"_1", "x"}})["data"]["r"], "x");
    EXPECT_EQ(call(instanceTopic(id, "add"), {{"_1", 2}, {"_2", 3.7}})["data"]["r"], 5);
    EXPECT_EQ(call(instanceTopic(id, "scale"), {{"_1", 1.25}})["data"]["r"], 2.5);
    EXPECT_EQ(call(instanceTopic(id, "flip"), {{"_1", false}})["data"]["r"], true);
    json row = {{"T", "5"}, {"NAME", "DRILL"}};
    EXPECT_EQ(call(instanceTopic(id, "row"), {{"_1", row}})["data"]["r"], row);
    auto touched = call(instanceTopic(id, "touch"));
    ASSERT_TRUE(touched["data"].contains("r"));
    EXPECT_TRUE(touched["data"]["r"].is_null());
    auto failed = call(instanceTopic(id, "fail"));
    EXPECT_EQ(failed["data"]["e"], "probe failed");
    EXPECT_FALSE(failed["data"].contains("r"));
    EXPECT_EQ(call(instanceTopic(id, "echo"), {{"_1", 5}})["data"]["e"], "Could not find function: echo-number");
    EXPECT_EQ(call(instanceTopic(id, "nosuch"))["data"]["e"], "Could not find function: nosuch");
    EXPECT_EQ(call(instanceTopic(id, "row"), {{"_1", {{"T", 5}}}})["data"]["e"],
              "[json.exception.type_error.302] type must be string, but is number");
}

TEST_F(AgentFixture, NamedInstancesAndClassInfo) {
    client.clearMessages();
    EXPECT_EQ(call(staticTopic("__createNamed__"), {{"_1", "mill"}, {"_2", "first"}})["data"]["r"], "mill");
    auto info = client.waitForMessageOn(agent->topic("Probe/__classInfo__"));
    ASSERT_TRUE(info);
    EXPECT_EQ(info->json["instances"], json::array({"mill"}));
    EXPECT_EQ(info->json["className"], "Probe");
    auto statics = info->json["staticFunctions"].get<std::vector<std::string>>();
    std::sort(statics.begin(), statics.end());
    EXPECT_EQ(statics, (std::vector<std::string>{"__createNamed__-stringstring", "__create__-string",
                                                 "__delete__-string", "__getNamed__-string"}));

    EXPECT_EQ(call(staticTopic("__createNamed__"), {{"_1", "mill"}, {"_2", "second"}})["data"]["r"], "mill");
    EXPECT_EQ(call(instanceTopic("mill", "name"))["data"]["r"], "first");
    EXPECT_EQ(call(staticTopic("__getNamed__"), {{"_1", "mill"}})["data"]["r"], "mill");
    EXPECT_EQ(call(staticTopic("__getNamed__"), {{"_1", "lathe"}})["data"]["e"],
              "Instance with id: lathe does not exist");

    client.clearMessages();
    EXPECT_EQ(call(staticTopic("__delete__"), {{"_1", "mill"}})["data"]["r"], true);
    auto after = client.waitForMessageOn(agent->topic("Probe/__classInfo__"));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->json["instances"], json::array());
}

TEST_F(AgentFixture, DeletedInstanceIsGone) {
    auto id = create();
    EXPECT_EQ(call(staticTopic("__delete__"), {{"_1", id}})["data"]["r"], true);
    EXPECT_EQ(call(staticTopic("__delete__"), {{"_1", id}})["data"]["r"], false);
    // Its topics are unsubscribed: a call there gets no reply at all.
    client.publish(instanceTopic(id, "name"), json{{"sender", client.replyTopic()}, {"id", "late"}, {"data", json::object()}});
    EXPECT_TRUE(client.expectNoMessageOn(client.replyTopic(), 300ms));
}

TEST_F(AgentFixture, BadMessagesAreDroppedAndTheAgentGoesOn) {
    auto id = create();
    testing::internal::CaptureStderr();
    client.publishText(instanceTopic(id, "name"), "{not json");
    client.publish(instanceTopic(id, "name"), json{{"id", 1}, {"data", json::object()}});  // no sender
    client.publish(instanceTopic(id, "name"), json{{"sender", 5}, {"data", json::object()}});
    // A one-level sender: its client-info topic has two levels, which the
    // agent subscribes but cannot accept.
    const std::string flat = "flat-" + client.clientId();
    client.subscribe(flat);
    client.publish(staticTopic("__create__"), json{{"sender", flat}, {"data", {{"_1", "f"}}}});
    auto created = client.waitForMessageOn(flat);
    ASSERT_TRUE(created);
    client.publish(flat + "/__clientInfo__", json{{"status", "offline"}});
    client.publish(flat + "/__clientInfo__", json{{"status", "offline"}});
    // Calls still answered, and nothing else was.
    EXPECT_EQ(call(instanceTopic(id, "name"))["data"]["r"], "p");
    auto errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(client.messages().size(), 0u) << "no reply to a dropped request";
    EXPECT_TRUE(nolt::LocalFactory::instance().hasInstance(created->json["data"]["r"]));
    EXPECT_NE(errors.find("[json.exception.parse_error.101]"), std::string::npos) << errors;
    EXPECT_NE(errors.find("type must be string, but is null"), std::string::npos) << errors;
    EXPECT_NE(errors.find("type must be string, but is number"), std::string::npos) << errors;
    std::size_t invalid = 0;
    for (auto at = errors.find("Received message with invalid topic URI\n"); at != std::string::npos;
         at = errors.find("Received message with invalid topic URI\n", at + 1)) {
        ++invalid;
    }
    EXPECT_EQ(invalid, 2u) << errors;
}

TEST_F(AgentFixture, BlockingCallDoesNotDelayOthers) {
    auto id = create();
    auto other = create("other");
    auto blocked = std::async(std::launch::async, [&] {
        testsupport::MqttTestClient second("blocker");
        second.connect(broker.uri());
        return second.call(instanceTopic(id, "block"), {{"data", json::object()}}, 30s);
    });
    // Answered while block() still holds a worker.
    EXPECT_EQ(call(instanceTopic(other, "name"))["data"]["r"], "other");
    EXPECT_EQ(call(instanceTopic(id, "release"))["data"]["r"], true);
    EXPECT_EQ(blocked.get()["data"]["r"], true);
}

TEST_F(AgentFixture, CallbacksPublishEventsToTheSender) {
    auto id = create();
    call(instanceTopic(id, "onText"), {{"_1", "cb-text"}});
    call(instanceTopic(id, "onTriple"), {{"_1", "cb-triple"}});
    call(instanceTopic(id, "onJson"), {{"_1", "cb-json"}});
    call(instanceTopic(id, "onMixed"), {{"_1", "cb-mixed"}});
    call(instanceTopic(id, "onPairs"), {{"_1", "cb-pairs"}});
    json registering = client.call(instanceTopic(id, "onRows"), {{"data", {{"_1", "cb-rows"}}}, {"tag", "t1"}});
    EXPECT_EQ(call(instanceTopic(id, "fire"))["data"]["r"], 6);

    auto text = client.waitForEvent("cb-text");
    ASSERT_TRUE(text);
    EXPECT_EQ((*text)["data"], (json{{"_1", "t"}}));
    EXPECT_EQ((*text)["context"], id);
    EXPECT_EQ((*text)["method"], "onText");
    EXPECT_EQ((*text)["sender"], client.replyTopic());
    EXPECT_EQ((*client.waitForEvent("cb-triple"))["data"], (json{{"_1", "a"}, {"_2", "b"}, {"_3", "c"}}));
    EXPECT_EQ((*client.waitForEvent("cb-json"))["data"], (json{{"_1", {{"k", 1}}}}));
    EXPECT_EQ((*client.waitForEvent("cb-mixed"))["data"], (json{{"_1", 1}, {"_2", 2.5}, {"_3", "m"}}));
    EXPECT_EQ((*client.waitForEvent("cb-pairs"))["data"],
              (json{{"_1", 3}, {"_2", {{"first", "1"}, {"second", "2"}}}, {"_3", {{"first", "3"}, {"second", "4"}}}, {"_4", 0.25}}));
    auto rows = client.waitForEvent("cb-rows");
    ASSERT_TRUE(rows);
    EXPECT_EQ((*rows)["data"], (json{{"_1", "T1"}, {"_2", {{"NAME", "new"}}}, {"_3", {{"NAME", "old"}}}}));
    EXPECT_EQ((*rows)["tag"], "t1") << "other keys of the registering request travel along";
}

TEST_F(AgentFixture, OfflineClientLosesItsAnonymousInstances) {
    testsupport::MqttTestClient owner("owner");
    owner.connect(broker.uri());
    auto createdBy = [&](const std::string& name) {
        return owner.call(staticTopic("__create__"), {{"data", {{"_1", name}}}})["data"]["r"].get<std::string>();
    };
    auto first = createdBy("a");
    auto second = createdBy("b");
    EXPECT_EQ(owner.call(staticTopic("__createNamed__"), {{"data", {{"_1", "kept"}, {"_2", "k"}}}})["data"]["r"], "kept");

    owner.publishClientInfo("online");
    EXPECT_EQ(call(instanceTopic(first, "name"))["data"]["r"], "a") << "only offline counts";

    owner.publishClientInfo("offline");
    ASSERT_TRUE(testsupport::waitFor([&] { return !nolt::LocalFactory::instance().hasInstance(second); }, 5s));
    EXPECT_FALSE(nolt::LocalFactory::instance().hasInstance(first));
    EXPECT_TRUE(nolt::LocalFactory::instance().hasInstance("kept")) << "named instances outlive their client";
    // The broker logs subscriptions as "\ttopic (QoS 1)" and unsubscriptions as "\ttopic".
    EXPECT_NE(broker.log().find("\t" + owner.clientInfoTopic() + " (QoS 1)"), std::string::npos);
    EXPECT_TRUE(testsupport::waitFor([&] { return broker.log().find("\t" + owner.clientInfoTopic() + "\n") != std::string::npos; }, 5s))
        << "the client-info topic is unsubscribed";
    // Their topics stay subscribed, so later calls are answered with the error.
    EXPECT_EQ(call(instanceTopic(first, "name"))["data"]["e"], "Could not find context: " + first);
}

TEST_F(AgentFixture, OfflineDeletionWaitsForAThreadThatPublishes) {
    testsupport::MqttTestClient owner("leaving");
    owner.connect(broker.uri());
    const std::string id =
        owner.call(staticTopic("__create__"), {{"data", {{"_1", "waiter"}}}})["data"]["r"].get<std::string>();
    ASSERT_TRUE(owner.call(instanceTopic(id, "onFarewell"), {{"data", {{"_1", "bye"}}}})["data"]["r"].is_null());
    owner.publishClientInfo("offline");
    // The instance goes on a worker: run on the MQTT library's delivering
    // thread, its destructor would wait for a publish that waits for that thread.
    auto event = owner.waitForEvent("bye", 10s);
    ASSERT_TRUE(event) << "the farewell was not published";
    EXPECT_EQ((*event)["data"]["_1"], "waiter gone");
    EXPECT_TRUE(testsupport::waitFor([&] { return !nolt::LocalFactory::instance().hasInstance(id); }, 5s));
    EXPECT_EQ(call(instanceTopic(id, "name"))["data"]["e"], "Could not find context: " + id) << "the agent goes on";
}
