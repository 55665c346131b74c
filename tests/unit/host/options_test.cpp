#include "host/options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "host/split_tokens.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

nolt::AgentOptions parse(std::vector<const char*> args) {
    return parseOptions(static_cast<int>(args.size()), args.data());
}

TEST(ParseOptions, WithoutArgumentsGivesTheDefaults) {
    for (const auto& options : {parse({}), parse({"prog"})}) {
        // The machine's own broker, its certificate verified.
        EXPECT_EQ(options.broker, "ssl://localhost:8883");
        EXPECT_TRUE(options.serverAuth);
        EXPECT_EQ(options.domain, "");
        EXPECT_EQ(options.agent, "");
        EXPECT_FALSE(options.help);
    }
}

TEST(ParseOptions, EachSwitchStoresItsField) {
    const auto options = parse({"prog", "-d", "D", "-b", "B", "-u", "U", "-P", "PW", "-a", "A",
                                "-t", "T", "-p", "PL", "--help", "--cafile", "CA", "--cert", "CRT",
                                "--key", "K", "--keypass", "KP", "--insecure"});
    EXPECT_EQ(options.domain, "D");
    EXPECT_EQ(options.broker, "B");
    EXPECT_EQ(options.username, "U");
    EXPECT_EQ(options.password, "PW");
    EXPECT_EQ(options.agent, "A");
    EXPECT_EQ(options.token, "T");
    EXPECT_EQ(options.plugin, "PL");
    EXPECT_TRUE(options.help);
    EXPECT_EQ(options.trustStore, "CA");
    EXPECT_EQ(options.keyStore, "CRT");
    EXPECT_EQ(options.privateKey, "K");
    EXPECT_EQ(options.privateKeyPassword, "KP");
    EXPECT_FALSE(options.serverAuth);
}

TEST(ParseOptions, SwitchesMatchWholeAndCaseSensitive) {
    const auto options =
        parse({"prog", "-D", "x", "-d=y", "--d", "z", "-dw", "-A", "a", "-h", "-B", "b"});
    EXPECT_EQ(options.domain, "");
    EXPECT_EQ(options.agent, "");
    EXPECT_EQ(options.broker, nolt::kDefaultBrokerUri);
    EXPECT_FALSE(options.help);
    // -p and -P are two switches.
    const auto both = parse({"prog", "-p", "plugin", "-P", "secret"});
    EXPECT_EQ(both.plugin, "plugin");
    EXPECT_EQ(both.password, "secret");
}

TEST(ParseOptions, LaterSwitchWinsAndProgramNameIsSkipped) {
    EXPECT_EQ(parse({"prog", "-d", "first", "-d", "second"}).domain, "second");
    EXPECT_EQ(parse({"-d", "x"}).domain, "");
}

TEST(ParseOptions, SwitchInLastPositionStoresNothing) {
    const auto options = parse({"prog", "-d", "dom", "-b"});
    EXPECT_EQ(options.domain, "dom");
    EXPECT_EQ(options.broker, nolt::kDefaultBrokerUri);
    EXPECT_EQ(parse({"prog", "-a", "x", "-a"}).agent, "x");
}

TEST(ParseOptions, ValueIsTakenEvenWhenItLooksLikeASwitch) {
    const auto options = parse({"prog", "-d", "-a", "agent"});
    EXPECT_EQ(options.domain, "-a");
    EXPECT_EQ(options.agent, "");
}

TEST(ParseOptions, BurstWorkersTakeAWholeNumberOrRefuseTheCommandLine) {
    EXPECT_EQ(parse({"prog"}).burstWorkers, 256u);
    EXPECT_EQ(parse({"prog", "-w", "0"}).burstWorkers, 0u);
    EXPECT_EQ(parse({"prog", "-w", "65535"}).burstWorkers, 65535u);
    EXPECT_EQ(parse({"prog", "-w"}).burstWorkers, 256u);
    for (const char* bad : {"", "-1", "12x", "65536", "99999999999", " 5"}) {
        try {
            parse({"prog", "-w", bad});
            ADD_FAILURE() << "accepted \"" << bad << "\"";
        } catch (const std::invalid_argument& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string("-w expects a number of workers from 0 to 65535, not \"") + bad + "\"");
        }
    }
}

TEST(SplitTokens, RunsBetweenDelimitersWithoutEmptyTokens) {
    EXPECT_THAT(splitTokens("a  b", " "), ElementsAre("a", "b"));
    EXPECT_THAT(splitTokens("  lead trail  ", " "), ElementsAre("lead", "trail"));
    EXPECT_THAT(splitTokens("a,b c,,d", ", "), ElementsAre("a", "b", "c", "d"));
    EXPECT_THAT(splitTokens("", " "), IsEmpty());
    EXPECT_THAT(splitTokens("   ", " "), IsEmpty());
}

TEST(SplitTokens, QuotesAreNotHonoured) {
    EXPECT_THAT(splitTokens("\"C:\\Program Files\\agent.exe\" -d x", " "),
                ElementsAre("\"C:\\Program", "Files\\agent.exe\"", "-d", "x"));
    EXPECT_THAT(splitTokens("a\tb", " "), ElementsAre("a\tb"));
}

}  // namespace
}  // namespace heidenhain
