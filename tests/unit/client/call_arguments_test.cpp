#include <gtest/gtest.h>

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
