// The dispatcher with plain payloads and a recording link: no broker.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "agent/dispatcher.h"
#include "agent/local_factory.h"

using nlohmann::json;

namespace {

class Tally {
public:
    explicit Tally(const std::string&) {}
    int add(int a, int b) { return a + b; }
};

struct Recorded {
    std::string topic;
    json payload;
};

class RecordingLink : public nolt::DispatchLink {
public:
    void publish(const std::string& topic, std::string payload, bool) override {
        published.push_back({topic, json::parse(payload)});
    }
    void subscribe(const std::string& filter) override { subscribed.push_back(filter); }
    void unsubscribe(const std::string& filter) override { unsubscribed.push_back(filter); }
    bool subscribes(const std::string& topic) override { return topic == "own/subscribed"; }
    void releaseMemory() override { ++releases; }
    json agentInfo() override { return {{"status", "online"}}; }

    std::vector<Recorded> published;
    std::vector<std::string> subscribed;
    std::vector<std::string> unsubscribed;
    int releases = 0;
};

class DispatcherTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory.registerClass<Tally, std::string>("Tally");
        factory.registerMember("Tally", "add", &Tally::add);
    }

    static nolt::ReceivedTopic topic(const std::string& instance, const std::string& function) {
        return {nolt::ReceivedTopic::Call, "Tally", instance, function, ""};
    }
    // The reply published for a request from `sender`.
    json request(const nolt::ReceivedTopic& to, const std::string& sender, json data) {
        link.published.clear();
        dispatcher.call(to, json{{"sender", sender}, {"id", 7}, {"data", std::move(data)}}.dump());
        return link.published.empty() ? json() : link.published.back().payload;
    }

    nolt::LocalFactory factory;
    nolt::Topics topics{"plant", "agent"};
    RecordingLink link;
    nolt::InstanceStatusPublisher status{topics, [](const std::string&, const std::string&) {}};
    nolt::Dispatcher dispatcher{factory, topics, link, status};
};

// A client creates an instance, calls it and goes offline: its instance is
// deleted, and the topics follow each step.
TEST_F(DispatcherTest, InstanceLifeFollowsItsClient) {
    bool parsed = false;
    dispatcher.call(topic(nolt::kStaticLevel, "__create__"),
                    json{{"sender", "c1/reply"}, {"id", 1}, {"data", {{"_1", "t"}}}}.dump(), [&] { parsed = true; });
    EXPECT_TRUE(parsed);
    ASSERT_EQ(link.published.size(), 1u);
    EXPECT_EQ(link.published[0].topic, "c1/reply");
    const std::string id = link.published[0].payload["data"]["r"];
    EXPECT_EQ(link.published[0].payload["id"], 1);
    EXPECT_EQ(link.subscribed,
              (std::vector<std::string>{topics.instanceFunction("Tally", id, "+"), nolt::clientInfoTopic("c1/reply")}));

    EXPECT_EQ(request(topic(id, "add"), "c1/reply", {{"_1", 2}, {"_2", 3}})["data"]["r"], 5);

    dispatcher.clientInfo("c1/reply", R"({"status":"online"})");
    EXPECT_TRUE(factory.hasInstance(id)) << "only offline deletes";
    dispatcher.clientInfo("c1/reply", R"({"status":"offline"})");
    EXPECT_FALSE(factory.hasInstance(id));
    // The instance's topics stay, so that a late call learns it is gone.
    EXPECT_EQ(link.unsubscribed, (std::vector<std::string>{nolt::clientInfoTopic("c1/reply")}));
    EXPECT_EQ(request(topic(id, "add"), "c1/reply", {{"_1", 2}, {"_2", 3}})["data"]["e"],
              "Could not find context: " + id);
    EXPECT_GE(link.releases, 1);
}

// Requests refused before the registry is asked, and senders nobody may be
// answered on.
TEST_F(DispatcherTest, RefusalsAndSendersLeftUnanswered) {
    dispatcher.setRequestLimit(200);
    const std::string deep = std::string(300, '[') + std::string(300, ']');
    const struct {
        std::string payload;
        bool answered;  // with the limit's text
    } cases[] = {
        {json{{"sender", "c1/reply"}, {"id", 2}, {"data", {{"_1", std::string(300, 'x')}}}}.dump(), true},
        // Not parsed: the sender is read from the text as it stands.
        {R"({"sender":"c1/reply","id":3,"data":{"_1":)" + deep + "}}", true},
        {json{{"sender", "plant/agent/Tally/x"}, {"data", json::object()}}.dump(), false},
        {json{{"sender", "own/subscribed"}, {"data", json::object()}}.dump(), false},
        {json{{"sender", "spBv1.0/group/NCMD/node"}, {"data", json::object()}}.dump(), false},
        {json{{"sender", "c1/#"}, {"data", json::object()}}.dump(), false},
    };
    for (const auto& c : cases) {
        link.published.clear();
        dispatcher.call(topic(nolt::kStaticLevel, "__create__"), c.payload);
        if (!c.answered) {
            EXPECT_TRUE(link.published.empty()) << c.payload.substr(0, 60);
            continue;
        }
        ASSERT_EQ(link.published.size(), 1u) << c.payload.substr(0, 60);
        EXPECT_EQ(link.published[0].payload["data"]["e"],
                  "Request of " + std::to_string(c.payload.size()) + " bytes refused: the limit is 200 bytes");
    }
    // The worker that runs the call logs what the parser throws.
    link.published.clear();
    EXPECT_THROW(dispatcher.call(topic(nolt::kStaticLevel, "__create__"), "not json at all"), std::exception);
    EXPECT_TRUE(link.published.empty());
    dispatcher.setRequestLimit(1 << 20);
    EXPECT_EQ(request(topic(nolt::kStaticLevel, "__create__"), "c1/reply", {{"_1", json::parse(deep)}})["data"]["e"],
              "Request refused: nested deeper than 256 levels");
    EXPECT_TRUE(link.subscribed.empty()) << "nothing was created";
}

// A discovery request is answered to its sender with what the agent
// retains, by topic; one without a usable sender gets nothing.
TEST_F(DispatcherTest, DiscoveryAnswersWhatTheAgentRetains) {
    dispatcher.discover(json{{"sender", "c1/reply"}, {"id", "d-1"}}.dump());
    ASSERT_EQ(link.published.size(), 1u);
    EXPECT_EQ(link.published[0].topic, "c1/reply");
    const json answer = link.published[0].payload;
    EXPECT_EQ(answer["id"], "d-1");
    EXPECT_EQ(answer["agent"], "plant/agent");
    EXPECT_EQ(answer["retained"]["plant/agent/__agentInfo__"], json({{"status", "online"}}));
    EXPECT_TRUE(answer["retained"]["plant/agent/Tally/__classInfo__"].contains("memberFunctions"));
    for (const std::string payload : {std::string("not json"), json{{"id", 1}}.dump(), json{{"sender", 5}}.dump(),
                                      json{{"sender", "plant/agent/x"}}.dump(), json{{"sender", "c1/+"}}.dump()}) {
        link.published.clear();
        dispatcher.discover(payload);
        EXPECT_TRUE(link.published.empty()) << payload;
    }
}

}  // namespace
