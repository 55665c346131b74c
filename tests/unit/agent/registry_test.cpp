#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "agent/local_factory.h"
#include "agent/messages.h"

using nlohmann::json;
using nolt::LocalFactory;

namespace {

std::atomic<int> constructed{0};
class Calculator;
Calculator* lastConstructed = nullptr;

class Calculator {
public:
    explicit Calculator(const std::string& name) : name_(name) {
        ++constructed;
        lastConstructed = this;
    }
    std::string name() const { return name_; }
    int add(int a, int b) { return a + b; }
    float half(float value) { return value / 2; }
    std::string concat(const std::string& a, const std::string& b) { return a + b; }
    bool negate(bool value) { return !value; }
    std::map<std::string, std::string> echoRow(const std::map<std::string, std::string>& row) { return row; }
    void reset() { name_.clear(); }
    int fail() { throw std::runtime_error("calculator failed"); }
    std::string many(std::string, std::string, std::string, std::string, std::string, std::string, std::string,
                     std::string, std::string, int tenth) {
        return std::to_string(tenth);
    }

    // Blocks until released, to prove calls run outside the registry lock.
    bool block() {
        std::unique_lock<std::mutex> lock(mutex_);
        entered_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return released_; });
        return released_;
    }
    void waitEntered() {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait_for(lock, std::chrono::seconds(10), [&] { return entered_; });
    }
    void release() {
        std::lock_guard<std::mutex> lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }

private:
    std::string name_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool entered_ = false;
    bool released_ = false;
};

const char* kClass = "Calculator";

json request(const std::string& context, const std::string& method, json data = json::object()) {
    return {{"sender", "c/1/r"}, {"id", 7}, {"context", context}, {"method", method}, {"data", data}};
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        factory.registerClass<Calculator, std::string>(kClass);
        factory.registerMember(kClass, "name", &Calculator::name);
        factory.registerMember(kClass, "add", &Calculator::add);
        factory.registerMember(kClass, "half", &Calculator::half);
        factory.registerMember(kClass, "concat", &Calculator::concat);
        factory.registerMember(kClass, "negate", &Calculator::negate);
        factory.registerMember(kClass, "echoRow", &Calculator::echoRow);
        factory.registerMember(kClass, "reset", &Calculator::reset);
        factory.registerMember(kClass, "fail", &Calculator::fail);
        factory.registerMember(kClass, "many", &Calculator::many);
        factory.registerMember(kClass, "block", &Calculator::block);
    }

    json dispatch(const std::string& context, const std::string& method, json data = json::object()) {
        auto message = request(context, method, std::move(data));
        factory.call(message);
        return message;
    }
    std::string createAnonymous(const std::string& name = "anon") {
        return dispatch(kClass, "__create__", {{"_1", name}})["data"]["r"].get<std::string>();
    }

    LocalFactory factory;
};

TEST_F(RegistryTest, FactoryKeysFollowConstructorParameters) {
    auto keys = factory.staticFunctionKeys(kClass);
    std::sort(keys.begin(), keys.end());
    EXPECT_EQ(keys, (std::vector<std::string>{"__createNamed__-stringstring", "__create__-string",
                                              "__delete__-string", "__getNamed__-string"}));
}

TEST_F(RegistryTest, CreateAnswersADecimalIdAndBindsMembers) {
    auto reply = dispatch(kClass, "__create__", {{"_1", "first"}});
    ASSERT_TRUE(reply["data"].contains("r")) << reply.dump();
    const std::string id = reply["data"]["r"];
    EXPECT_NE(id.find_first_not_of("0123456789"), 0u);
    EXPECT_EQ(id.find_first_not_of("0123456789"), std::string::npos);
    EXPECT_EQ(reply["data"]["_1"], "first");
    EXPECT_EQ(reply["id"], 7);
    EXPECT_EQ(dispatch(id, "name")["data"]["r"], "first");
}

TEST_F(RegistryTest, ResultsOfEveryParameterType) {
    auto id = createAnonymous();
    EXPECT_EQ(dispatch(id, "add", {{"_1", 2}, {"_2", 3}})["data"]["r"], 5);
    EXPECT_EQ(dispatch(id, "add", {{"_1", 2.9}, {"_2", -1.9}})["data"]["r"], 1) << "floats truncate toward zero";
    EXPECT_EQ(dispatch(id, "half", {{"_1", 3}})["data"]["r"], 1.5);
    EXPECT_EQ(dispatch(id, "concat", {{"_1", "a"}, {"_2", "b"}})["data"]["r"], "ab");
    EXPECT_EQ(dispatch(id, "negate", {{"_1", true}})["data"]["r"], false);
    json row = {{"T", "1"}, {"NAME", "MILL"}};
    EXPECT_EQ(dispatch(id, "echoRow", {{"_1", row}})["data"]["r"], row);
    auto voidReply = dispatch(id, "reset");
    ASSERT_TRUE(voidReply["data"].contains("r"));
    EXPECT_TRUE(voidReply["data"]["r"].is_null());
}

TEST_F(RegistryTest, MissingContextAndFunctionTexts) {
    EXPECT_EQ(dispatch("nobody", "name")["data"]["e"], "Could not find context: nobody");
    auto id = createAnonymous();
    auto reply = dispatch(id, "concat", {{"_1", "a"}, {"_2", 5}});
    EXPECT_EQ(reply["data"]["e"], "Could not find function: concat-stringnumber");
    EXPECT_FALSE(reply["data"].contains("r"));
    EXPECT_EQ(dispatch(id, "name", {{"_1", "x"}})["data"]["e"], "Could not find function: name-string");
}

TEST_F(RegistryTest, EmptyOrMissingDataLooksUpTheBareName) {
    auto id = createAnonymous("bare");
    EXPECT_EQ(dispatch(id, "name")["data"]["r"], "bare");
    json message = {{"sender", "s/1/r"}, {"context", id}, {"method", "name"}};
    factory.call(message);
    EXPECT_EQ(message["data"]["r"], "bare");
}

TEST_F(RegistryTest, DataThatIsNoObjectGetsAnError) {
    auto id = createAnonymous();
    json message = request(id, "name", json::array({1}));
    factory.call(message);
    EXPECT_EQ(message["data"]["e"], "Request \"data\" must be an object");
}

TEST_F(RegistryTest, TenthArgumentSortsBeforeTheSecond) {
    auto id = createAnonymous();
    json data;
    for (int i = 1; i <= 9; ++i) data["_" + std::to_string(i)] = "s";
    data["_10"] = 10;
    // Keys sort as _1, _10, _2, ...: the number lands second in the signature.
    EXPECT_EQ(dispatch(id, "many", data)["data"]["e"],
              "Could not find function: many-stringnumberstringstringstringstringstringstringstringstring");
}

TEST_F(RegistryTest, OtherKeysThanPositionsFailInConversion) {
    auto id = createAnonymous();
    auto reply = dispatch(id, "concat", {{"a", "x"}, {"b", "y"}});
    EXPECT_EQ(reply["data"]["e"], "[json.exception.type_error.302] type must be string, but is null");
    EXPECT_FALSE(reply["data"].contains("_1")) << "a missing argument is not added to the reply";
}

TEST_F(RegistryTest, ThrowingFunctionGivesItsText) {
    auto id = createAnonymous();
    auto reply = dispatch(id, "fail");
    EXPECT_EQ(reply["data"]["e"], "calculator failed");
    EXPECT_FALSE(reply["data"].contains("r"));
    auto row = dispatch(id, "echoRow", {{"_1", {{"T", 1}}}});
    EXPECT_EQ(row["data"]["e"], "[json.exception.type_error.302] type must be string, but is number");
}

TEST_F(RegistryTest, NamedInstancesAreCreatedOnce) {
    const int before = constructed;
    EXPECT_EQ(dispatch(kClass, "__createNamed__", {{"_1", "mill"}, {"_2", "one"}})["data"]["r"], "mill");
    EXPECT_EQ(dispatch(kClass, "__createNamed__", {{"_1", "mill"}, {"_2", "two"}})["data"]["r"], "mill");
    EXPECT_EQ(constructed - before, 1);
    EXPECT_EQ(dispatch("mill", "name")["data"]["r"], "one");
    EXPECT_EQ(dispatch(kClass, "__getNamed__", {{"_1", "mill"}})["data"]["r"], "mill");
    EXPECT_EQ(dispatch(kClass, "__getNamed__", {{"_1", "lathe"}})["data"]["e"],
              "Instance with id: lathe does not exist");
}

TEST_F(RegistryTest, AClassNameIsNoInstanceName) {
    auto reply = dispatch(kClass, "__createNamed__", {{"_1", kClass}, {"_2", "x"}});
    EXPECT_EQ(reply["data"]["e"], "Instance name must not be a class name: Calculator");
    EXPECT_TRUE(dispatch(kClass, "__create__", {{"_1", "still"}})["data"].contains("r"));
    // Names become topic levels.
    const std::pair<std::string, std::string> bad[] = {
        {"", "it is empty"}, {"a/b", "it holds a /"}, {"+", "it holds the wildcard +"}, {"x#", "it holds the wildcard #"},
        {"__static__", "it is reserved"}, {"a\nb", "it holds the control character 10 at byte 1"},
        {"\xef\xbf\xbf", "it holds a Unicode non-character at byte 0"}, {"\xff", "it is not valid UTF-8 at byte 0"},
        {std::string(1025, 'n'), "it is longer than 1024 bytes"}};
    for (const auto& [name, why] : bad) {
        const auto shown = name.size() > 64 ? name.substr(0, 64) + "..." : name;
        EXPECT_EQ(dispatch(kClass, "__createNamed__", {{"_1", name}, {"_2", "x"}})["data"]["e"],
                  "Invalid instance name: \"" + shown + "\", " + why);
        EXPECT_FALSE(factory.hasInstance(name));
    }
}

TEST_F(RegistryTest, DeleteRemovesInstanceAndFunctions) {
    auto id = createAnonymous();
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", id}})["data"]["r"], true);
    EXPECT_EQ(dispatch(id, "name")["data"]["e"], "Could not find context: " + id);
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", id}})["data"]["r"], false);
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", "unknown"}})["data"]["r"], false);
}

// The class's one function table serves every instance, each call on its own.
TEST_F(RegistryTest, InstancesOfOneClassAnswerForThemselves) {
    const auto first = createAnonymous("first");
    dispatch(kClass, "__createNamed__", {{"_1", "second"}, {"_2", "two"}});
    EXPECT_EQ(dispatch(first, "name")["data"]["r"], "first");
    EXPECT_EQ(dispatch("second", "name")["data"]["r"], "two");
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", first}})["data"]["r"], true);
    EXPECT_EQ(dispatch("second", "name")["data"]["r"], "two");
}

TEST_F(RegistryTest, ClassInfoListsNamedInstancesOnly) {
    createAnonymous();
    dispatch(kClass, "__createNamed__", {{"_1", "named"}, {"_2", "n"}});
    auto info = nolt::classInfo(factory, kClass);
    EXPECT_EQ(info["className"], kClass);
    EXPECT_EQ(info["instances"], json::array({"named"}));
    auto members = info["memberFunctions"].get<std::vector<std::string>>();
    std::sort(members.begin(), members.end());
    EXPECT_EQ(members, (std::vector<std::string>{
                           "add-numbernumber", "block", "concat-stringstring", "echoRow-object", "fail",
                           "half-number", "many-stringstringstringstringstringstringstringstringstringnumber", "name",
                           "negate-boolean", "reset"}));
    EXPECT_EQ(info["staticFunctions"].size(), 4u);
    EXPECT_EQ(info.dump().substr(0, 14), "{\"className\":\"");
}

TEST_F(RegistryTest, BlockingCallDoesNotStopOtherDispatch) {
    auto blocked = createAnonymous("blocked");
    auto* calculator = lastConstructed;
    auto other = createAnonymous("other");
    json blockReply;
    std::thread caller([&] { blockReply = dispatch(blocked, "block"); });
    calculator->waitEntered();
    // The registry lock is free while block() runs: create, call and delete work.
    auto third = createAnonymous("third");
    EXPECT_EQ(dispatch(other, "name")["data"]["r"], "other");
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", third}})["data"]["r"], true);
    // Deleting the blocked instance keeps it alive until its call returns.
    EXPECT_EQ(dispatch(kClass, "__delete__", {{"_1", blocked}})["data"]["r"], true);
    calculator->release();
    caller.join();
    EXPECT_EQ(blockReply["data"]["r"], true);
}

}  // namespace
