#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "agent/callback.h"
#include "agent/local_factory.h"

using nlohmann::json;
using namespace nolt;

namespace {

// Captures what the agent would publish.
class PublishedEvents {
public:
    PublishedEvents() {
        setEventPublisher([this](const json& message) {
            std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(message);
        });
    }
    ~PublishedEvents() { setEventPublisher(nullptr); }
    std::vector<json> events() {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::vector<json> events_;
};

struct Pair {
    std::string a, b;
};
void to_json(json& j, const Pair& p) { j = json{{"a", p.a}, {"b", p.b}}; }

class Notifier;
Notifier* lastNotifier = nullptr;

class Notifier {
public:
    explicit Notifier(const std::string&) { lastNotifier = this; }
    void onText(Callback<std::string> callback) { text = std::move(callback); }
    void onMixed(std::string, Callback<int, double, std::string> callback) { mixed = std::move(callback); }
    void onRecord(Callback<int, Pair, Pair, double> callback) { record = std::move(callback); }
    void onRows(Callback<std::string, std::map<std::string, std::string>, std::map<std::string, std::string>> callback) {
        rows = std::move(callback);
    }
    void onJson(Callback<json> callback) { value = std::move(callback); }
    Callback<std::string> text;
    Callback<int, double, std::string> mixed;
    Callback<int, Pair, Pair, double> record;
    Callback<std::string, std::map<std::string, std::string>, std::map<std::string, std::string>> rows;
    Callback<json> value;
};

class CallbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory.registerClass<Notifier, std::string>("Notifier");
        factory.registerMember("Notifier", "onText", &Notifier::onText);
        factory.registerMember("Notifier", "onMixed", &Notifier::onMixed);
        factory.registerMember("Notifier", "onRecord", &Notifier::onRecord);
        factory.registerMember("Notifier", "onRows", &Notifier::onRows);
        factory.registerMember("Notifier", "onJson", &Notifier::onJson);
        id = call("Notifier", "__create__", {{"_1", "n"}})["data"]["r"];
        instance = lastNotifier;
    }
    json call(const std::string& context, const std::string& method, json data) {
        json message = {{"sender", "d/c/1"}, {"id", 3}, {"context", context}, {"method", method}, {"data", data},
                        {"extra", "kept"}};
        factory.call(message);
        return message;
    }
    LocalFactory factory;
    std::string id;
    Notifier* instance = nullptr;
    PublishedEvents published;
};

TEST_F(CallbackTest, CallbackCountsAsStringInTheKey) {
    auto keys = factory.memberFunctionKeys("Notifier");
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"onJson-string", "onMixed-stringstring", "onRecord-string",
                                              "onRows-string", "onText-string"}));
}

TEST_F(CallbackTest, EventCarriesCallbackIdAndRequestKeys) {
    auto reply = call(id, "onText", {{"_1", "cb1"}});
    EXPECT_TRUE(reply["data"]["r"].is_null());
    instance->text("first");
    instance->text("second");
    auto events = published.events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].dump(),
              R"({"context":")" + id + R"(","data":{"_1":"first"},"extra":"kept","id":"cb1","method":"onText","sender":"d/c/1"})");
    EXPECT_EQ(events[1]["data"], (json{{"_1", "second"}}));
}

TEST_F(CallbackTest, ArgumentsInParameterOrder) {
    call(id, "onMixed", {{"_1", "path"}, {"_2", "cb2"}});
    call(id, "onRecord", {{"_1", "cb3"}});
    call(id, "onRows", {{"_1", "cb4"}});
    call(id, "onJson", {{"_1", "cb5"}});
    instance->mixed(1, 2.5, "p");
    instance->record(2, {"1", "2"}, {"3", "4"}, 0.5);
    instance->rows("T5", {{"NAME", "new"}}, {{"NAME", "old"}});
    instance->value(json::array({1, 2}));
    auto events = published.events();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0]["id"], "cb2");
    EXPECT_EQ(events[0]["data"], (json{{"_1", 1}, {"_2", 2.5}, {"_3", "p"}}));
    EXPECT_EQ(events[1]["data"], (json{{"_1", 2}, {"_2", {{"a", "1"}, {"b", "2"}}}, {"_3", {{"a", "3"}, {"b", "4"}}}, {"_4", 0.5}}));
    EXPECT_EQ(events[2]["data"], (json{{"_1", "T5"}, {"_2", {{"NAME", "new"}}}, {"_3", {{"NAME", "old"}}}}));
    EXPECT_EQ(events[3]["data"], (json{{"_1", {1, 2}}}));
}

TEST_F(CallbackTest, CallbackIdMustBeText) {
    auto reply = call(id, "onJson", {{"_1", 5}});
    EXPECT_EQ(reply["data"]["e"], "Could not find function: onJson-number");
    // Right key types but no "_1": the id reads as null.
    auto missing = call(id, "onJson", {{"x", "cb"}});
    EXPECT_EQ(missing["data"]["e"], "[json.exception.type_error.302] type must be string, but is null");
    EXPECT_FALSE(static_cast<bool>(instance->value)) << "the function is not called";
}

TEST_F(CallbackTest, WithoutPublisherTheCallerGetsBadFunctionCall) {
    call(id, "onText", {{"_1", "cb"}});
    setEventPublisher(nullptr);
    EXPECT_THROW(instance->text("x"), std::bad_function_call);
}

TEST_F(CallbackTest, ConcurrentEventsOfOneCallbackStayWhole) {
    call(id, "onMixed", {{"_1", "p"}, {"_2", "cb"}});
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) instance->mixed(t, i, std::to_string(t * 1000 + i));
        });
    }
    for (auto& thread : threads) thread.join();
    auto events = published.events();
    ASSERT_EQ(events.size(), 800u);
    for (const auto& event : events) {
        const int t = event["data"]["_1"];
        const int i = static_cast<int>(event["data"]["_2"].get<double>());
        EXPECT_EQ(event["data"]["_3"], std::to_string(t * 1000 + i));
    }
}

}  // namespace
