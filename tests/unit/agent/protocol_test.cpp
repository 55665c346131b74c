#include <gtest/gtest.h>

#include "agent/client_id.h"
#include "agent/client_table.h"
#include "agent/messages.h"
#include "agent/topics.h"

using nlohmann::json;
using namespace nolt;

TEST(Topics, NamesUnderTheAgentPrefix) {
    Topics topics("edge.orvane", "heidenhain-pc1");
    EXPECT_EQ(topics.agentInfo(), "edge.orvane/heidenhain-pc1/__agentInfo__");
    EXPECT_EQ(topics.classInfo("DncShim"), "edge.orvane/heidenhain-pc1/DncShim/__classInfo__");
    EXPECT_EQ(topics.staticFunction("DncShim", "__create__"), "edge.orvane/heidenhain-pc1/DncShim/__static__/__create__");
    EXPECT_EQ(topics.instanceFunction("DncShim", "42", "getState"), "edge.orvane/heidenhain-pc1/DncShim/42/getState");
    EXPECT_EQ(clientInfoTopic("d/clients/c1"), "d/clients/c1/__clientInfo__");
}

TEST(Topics, ClassifiesByLevelCount) {
    auto call = classifyTopic("d/a/DncShim/__static__/__create__");
    EXPECT_EQ(call.kind, ReceivedTopic::Call);
    EXPECT_EQ(call.className, "DncShim");
    EXPECT_EQ(call.instance, "__static__");
    EXPECT_EQ(call.function, "__create__");

    auto info = classifyTopic("d/clients/c1/__clientInfo__");
    EXPECT_EQ(info.kind, ReceivedTopic::ClientInfo);
    EXPECT_EQ(info.clientId, "d/clients/c1");

    EXPECT_EQ(classifyTopic("d/a/DncShim/something").kind, ReceivedTopic::Invalid);
    EXPECT_EQ(classifyTopic("d/a/DncShim/1/f/extra").kind, ReceivedTopic::Invalid);
    EXPECT_EQ(classifyTopic("c1/__clientInfo__").kind, ReceivedTopic::Invalid);
    EXPECT_EQ(classifyTopic("d/a//1/f").kind, ReceivedTopic::Call) << "empty levels count";
    EXPECT_EQ(classifyTopic("d/__discover__").kind, ReceivedTopic::Discovery);
    EXPECT_EQ(classifyTopic("__discover__").kind, ReceivedTopic::Discovery);
    EXPECT_EQ(classifyTopic("d/a/__discover__").kind, ReceivedTopic::Invalid);
    EXPECT_EQ(functionName("setValue-stringnumber"), "setValue");
    EXPECT_EQ(functionName("getState"), "getState");
}

TEST(Messages, AgentInfoIsSortedAndCompact) {
    EXPECT_EQ(agentInfo("online", "h").dump(), R"({"hostname":"h","status":"online"})");
}

TEST(Messages, RequestGetsContextAndMethodFromTheTopic) {
    json request = {{"sender", "c1"}, {"context", "spoofed"}, {"custom", 1}};
    prepareRequest(request, classifyTopic("d/a/DncShim/__static__/__create__"));
    EXPECT_EQ(request["context"], "DncShim");
    EXPECT_EQ(request["method"], "__create__");
    EXPECT_EQ(request["custom"], 1);
    prepareRequest(request, classifyTopic("d/a/DncShim/123/getState"));
    EXPECT_EQ(request["context"], "123");
    EXPECT_EQ(request["method"], "getState");
}

TEST(Messages, FollowUpsOfFactoryReplies) {
    json created = {{"sender", "s"}, {"context", "C"}, {"method", "__create__"}, {"data", {{"_1", "x"}, {"r", "99"}}}};
    EXPECT_EQ(followUps(created), (std::vector<FollowUp>{{FollowUp::SubscribeInstance, "C", "99", ""},
                                                         {FollowUp::RecordInstance, "C", "99", "s"}}));
    json named = {{"sender", "s"}, {"context", "C"}, {"method", "__createNamed__"}, {"data", {{"r", "n"}}}};
    EXPECT_EQ(followUps(named), (std::vector<FollowUp>{{FollowUp::SubscribeInstance, "C", "n", ""},
                                                       {FollowUp::PublishClassInfo, "C", "", ""}}));
    json deleted = {{"sender", "s"}, {"context", "C"}, {"method", "__delete__"}, {"data", {{"_1", "99"}, {"r", false}}}};
    EXPECT_EQ(followUps(deleted), (std::vector<FollowUp>{{FollowUp::UnsubscribeInstance, "C", "99", ""},
                                                         {FollowUp::PublishClassInfo, "C", "", ""},
                                                         {FollowUp::ForgetInstance, "C", "99", "s"}}));
    json failed = {{"sender", "s"}, {"context", "C"}, {"method", "__create__"}, {"data", {{"e", "boom"}}}};
    EXPECT_TRUE(followUps(failed).empty()) << "a failed create subscribes and records nothing";
    json other = {{"sender", "s"}, {"context", "1"}, {"method", "getState"}, {"data", {{"r", "x"}}}};
    EXPECT_TRUE(followUps(other).empty());
}

TEST(ClientId, IsMd5OfDomainAndAgent) {
    // MD5("da") = 5ca2aa845c8cd5ace6b016841f100d82
    EXPECT_EQ(makeClientId("d", "a"), "nolta5ca2aa845c8cd5ace6");
    EXPECT_EQ(makeClientId("edge.orvane", "heidenhain-x").size(), 23u);
}

TEST(ClientTable, SubscribesOnFirstRecordAndUnsubscribesWhenEmpty) {
    ClientTable table;
    std::string owner;
    EXPECT_TRUE(table.record("c", {"1", "C"}));
    EXPECT_FALSE(table.record("c", {"2", "C"}));
    EXPECT_FALSE(table.forget("1", owner));
    EXPECT_FALSE(table.forget("unknown", owner));
    EXPECT_TRUE(table.forget("2", owner));
    EXPECT_EQ(owner, "c");
    EXPECT_FALSE(table.forget("2", owner));
    // A client whose list became empty is watched again when it creates again.
    EXPECT_TRUE(table.record("c", {"3", "C"}));
}

TEST(ClientTable, DeletedByAnotherClientLeavesNoStaleRecord) {
    ClientTable table;
    table.record("owner", {"7", "C"});
    table.record("owner", {"8", "C"});
    std::string owner;
    // Another client deletes instance 7: the owner's record of it goes too, so
    // the owner's offline message cannot delete a later instance at that address.
    EXPECT_FALSE(table.forget("7", owner));
    EXPECT_EQ(owner, "owner");
    std::vector<ClientTable::Record> records;
    ASSERT_TRUE(table.takeRecords("owner", records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].instanceId, "8");
}

TEST(ClientTable, OfflineTakesTheRecords) {
    ClientTable table;
    table.record("c", {"1", "C"});
    table.record("c", {"2", "C"});
    std::vector<ClientTable::Record> records;
    ASSERT_TRUE(table.takeRecords("c", records));
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].instanceId, "1");
    EXPECT_EQ(records[1].instanceId, "2");
    EXPECT_FALSE(table.takeRecords("unknown", records));
    std::vector<ClientTable::Record> again;
    EXPECT_FALSE(table.takeRecords("c", again)) << "deleted instances are not deleted twice";
    EXPECT_TRUE(again.empty());
    EXPECT_TRUE(table.record("c", {"4", "C"}));
}

TEST(ClientTable, AnonymousInstancesAreBoundedPerClientAndInAll) {
    ClientTable table;
    const auto fill = [&](const std::string& client, std::size_t count) {
        for (std::size_t i = 0; i < count; ++i) table.record(client, {client + "-" + std::to_string(i), "C"});
    };
    fill("greedy", ClientTable::kMaxPerClient);
    const auto refusal = table.refusalOfNewInstance("greedy");
    ASSERT_TRUE(refusal);
    EXPECT_NE(refusal->find("the limit per client is 1000"), std::string::npos) << *refusal;
    EXPECT_FALSE(table.refusalOfNewInstance("modest"));
    std::string owner;
    table.forget("greedy-0", owner);
    EXPECT_FALSE(table.refusalOfNewInstance("greedy")) << "a deleted instance makes room again";

    for (std::size_t c = 1; c < ClientTable::kMaxInAll / ClientTable::kMaxPerClient; ++c) {
        fill("client" + std::to_string(c), ClientTable::kMaxPerClient);
    }
    table.record("greedy", {"greedy-again", "C"});
    ASSERT_TRUE(table.refusalOfNewInstance("modest"));
    EXPECT_NE(table.refusalOfNewInstance("modest")->find("the agent already holds 10000"), std::string::npos);
    std::vector<ClientTable::Record> records;
    ASSERT_TRUE(table.takeRecords("client1", records));
    EXPECT_FALSE(table.refusalOfNewInstance("modest")) << "an offline client's instances make room";
}
