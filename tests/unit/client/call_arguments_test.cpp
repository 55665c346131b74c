#include <gtest/gtest.h>

#include "agent/topics.h"
#include "client/call_arguments.h"
#include "client/client_error.h"
#include "client/command_line.h"

using nlohmann::json;

namespace {

TEST(CallArguments, WordsAreJsonValuesOrTexts) {
    const std::vector<std::pair<std::string, json>> cases = {
        {"5", 5}, {"-2.5", -2.5}, {"true", true}, {"null", nullptr}, {"\"5\"", "5"}, {"mill1.local", "mill1.local"},
        {"12abc", "12abc"}, {"{\"NAME\":\"X\"}", {{"NAME", "X"}}}, {"[1,2]", {1, 2}}, {"", ""},
    };
    for (const auto& [word, value] : cases) EXPECT_EQ(nolt::client::callData({word}), json({{"_1", value}})) << word;
    for (const char* bad : {"{\"a\":", "[1,", "\"open"}) {
        EXPECT_THROW(nolt::client::callData({"x", bad}), nolt::client::ClientError) << bad;
    }
}

TEST(CallArguments, BareWordsFitTheOneOverloadThatTakesThem) {
    using nolt::client::fitArguments;
    const std::vector<std::string> setValue = {"setValue-stringnumber", "setValue-stringstring"};
    struct Case {
        std::vector<std::string> words;
        std::vector<std::string> keys;
        json data;           // null: refused with `error`
        std::string error;
    };
    const std::vector<Case> cases = {
        {{"2"}, {"getToolTableRow-string"}, {{"_1", "2"}}, ""},
        {{"2.50", "true"}, {"f-stringstring"}, {{"_1", "2.50"}, {"_2", "true"}}, ""},
        {{"p", "5"}, setValue, {{"_1", "p"}, {"_2", 5}}, ""},
        {{"p", "x"}, setValue, {{"_1", "p"}, {"_2", "x"}}, ""},
        {{"5"}, {}, {{"_1", 5}}, ""},
        {{"x"}, {"getSpindleRunningTime-number"}, nullptr,
         "No getSpindleRunningTime takes (string); there is: getSpindleRunningTime(number)"},
        {{"{}"}, {"g-string", "g-number"}, nullptr, "No g takes (object); there is: g(string), g(number)"},
        {{"1"}, {"h-string", "h-boolean"}, {{"_1", "1"}}, ""},
        {{"true"}, {"k-string", "k-number"}, {{"_1", "true"}}, ""},
        {{"null"}, {"m-string", "m-object"}, {{"_1", "null"}}, ""},
        {{"1", "2"}, {"n-stringnumber", "n-numberstring"}, nullptr,
         "Several overloads of n fit; quote a text (\"5\") to choose: n(string, number), n(number, string)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.words.front());
        if (c.data.is_null()) {
            try {
                fitArguments(c.words, nolt::functionName(c.keys.front()), c.keys);
                ADD_FAILURE() << "no error";
            } catch (const nolt::client::ClientError& e) {
                EXPECT_EQ(std::string(e.what()), c.error);
            }
        } else {
            const std::string name = c.keys.empty() ? "f" : nolt::functionName(c.keys.front());
            EXPECT_EQ(fitArguments(c.words, name, c.keys), c.data);
        }
    }
}

TEST(CallArguments, FunctionKeysReadAsSignatures) {
    EXPECT_EQ(nolt::client::readableFunction("getState"), "getState()");
    EXPECT_EQ(nolt::client::readableFunction("setValue-stringnumber"), "setValue(string, number)");
    EXPECT_EQ(nolt::client::readableFunction("setTool-stringstringobject"), "setTool(string, string, object)");
    EXPECT_EQ(nolt::client::readableFunction("f-booleannullarray"), "f(boolean, null, array)");
}

TEST(ClientCommandLine, AgentSwitchesClientSwitchesAndWords) {
    const char* argv[] = {"client", "-b", "tcp://h:1", "--json", "-u", "me", "call", "--timeout", "2.5",
                          "a/b", "C", "--", "-5", "--json"};
    const auto line = nolt::client::parseClientCommandLine(14, argv);
    EXPECT_EQ(line.broker.broker, "tcp://h:1");
    EXPECT_EQ(line.broker.username, "me");
    EXPECT_TRUE(line.json);
    EXPECT_EQ(line.timeout, std::chrono::milliseconds(2500));
    EXPECT_EQ(line.command, "call");
    EXPECT_EQ(line.words, (std::vector<std::string>{"a/b", "C", "-5", "--json"}));
}

}  // namespace
