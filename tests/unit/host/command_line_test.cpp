#include "host/command_line.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>

#include "host/service.h"
#include "host_journal.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::StartsWith;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

const std::string kBadParameters =
    "Bad commandline: Bad parameters, expecting \"domain\" and \"agent\" to be defined.\n";

// A set handle that owns nothing: the command-line step only stores it, and
// these tests must not need a broker.
std::shared_ptr<nolt::NoltAgent> placeholderAgent() {
    static int anchor;
    return std::shared_ptr<nolt::NoltAgent>(std::shared_ptr<void>(),
                                            reinterpret_cast<nolt::NoltAgent*>(&anchor));
}

// Where the program is found when it installs itself, whatever was typed.
constexpr const char* kModulePath = "D:\\Agent\\heidenhain-agent.exe";

// Runs the command-line step with a recording agent factory, as at start-up
// (service-mode flag set), capturing standard output.
struct CommandLineRun {
    explicit CommandLineRun(const std::string& commandLine,
                            std::shared_ptr<nolt::NoltAgent> agent = placeholderAgent(),
                            const char* failure = nullptr) {
        HeidenhainService service([&](const nolt::AgentOptions& options) {
            created = options;
            if (failure) throw std::runtime_error(failure);
            return agent;
        });
        service.modulePath = [] { return std::string(kModulePath); };
        CaptureStdout();
        run = service.parseCommandLine(commandLine, resultCode);
        stdoutText = GetCapturedStdout();
        stored = service.options;
        agentSet = service.agent != nullptr;
        events = journal.serviceEvents();
        commands = journal.commands();
    }

    hosttest::HostJournal journal{/*serviceMode=*/true};
    int resultCode = -7;
    bool run = false;
    std::string stdoutText;
    std::optional<nolt::AgentOptions> created;
    nolt::AgentOptions stored;
    bool agentSet = false;
    std::vector<std::string> events;
    std::vector<std::string> commands;
};

TEST(JoinCommandLine, ArgumentsJoinedBySingleSpaces) {
    const char* argv[] = {"/opt/agent", "-d", "edge", "-a", "my agent"};
    EXPECT_EQ(joinCommandLine(5, argv), "/opt/agent -d edge -a my agent");
    EXPECT_EQ(joinCommandLine(0, argv), "");
}

TEST(CommandLine, ServiceWithBrokerHostInstallsAndEnds) {
    CommandLineRun r("\"C:\\Program Files\\agent.exe\" /Service broker.example ignored");
    EXPECT_FALSE(r.run);
    EXPECT_EQ(r.resultCode, 0);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.stdoutText, "");
    ASSERT_EQ(r.commands.size(), 4u);
    // The program as found, not as typed, quoted and escaped; the text up to
    // the switch keeps its trailing space.
    EXPECT_THAT(r.commands[0],
                StartsWith("sc.exe create \"Orvane Heidenhain Agent\" binPath= \"\\\"D:\\Agent\\heidenhain-agent."
                           "exe\\\"  -d edge.orvane -a heidenhain-"));
    EXPECT_THAT(r.commands[0], ::testing::EndsWith(" -b ssl://broker.example:8883\" start= auto"));
    EXPECT_THAT(r.events, ElementsAre("\"C:\\Program Files\\agent.exe\" /Service broker.example ignored",
                                      "Creating Service", "Configuring Service", "Starting Service"));
}

TEST(CommandLine, ServiceWithoutBrokerHostIsBadParameters) {
    CommandLineRun r("agent.exe /Service");
    EXPECT_FALSE(r.run);
    EXPECT_EQ(r.resultCode, 0);
    EXPECT_THAT(r.commands, IsEmpty());
    EXPECT_EQ(r.stdoutText, kBadParameters);
    EXPECT_THAT(r.events, ElementsAre("agent.exe /Service", "Bad commandline provided"));
}

TEST(CommandLine, UnregServerStopsAndDeletes) {
    CommandLineRun r("agent.exe /UnregServer");
    EXPECT_FALSE(r.run);
    EXPECT_EQ(r.resultCode, 0);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.stdoutText, "");
    EXPECT_THAT(r.commands, ElementsAre("sc.exe stop \"Orvane Heidenhain Agent\"",
                                        "sc.exe delete \"Orvane Heidenhain Agent\""));
    EXPECT_THAT(r.events, ElementsAre("agent.exe /UnregServer", "Stopping Service", "Deleting Service"));
}

TEST(CommandLine, LayerSwitchesInOtherCaseRunNoServiceCommands) {
    for (const char* line : {"agent.exe /unregserver", "agent.exe /RegServer", "agent.exe -service x",
                             "agent.exe -d x -a y /RegServer"}) {
        CommandLineRun r(line);
        EXPECT_FALSE(r.run) << line;
        EXPECT_FALSE(r.created) << line << ": the layer handled it, no agent runs";
        EXPECT_THAT(r.commands, IsEmpty()) << line;
        EXPECT_EQ(r.stdoutText.find("Bad commandline"), std::string::npos) << line;
    }
}

TEST(CommandLine, ServiceSwitchOutranksUnregServer) {
    CommandLineRun r("agent.exe /Service broker /UnregServer");
    ASSERT_EQ(r.commands.size(), 4u);
    EXPECT_THAT(r.commands[0], ::testing::HasSubstr("ssl://broker:8883"));
}

TEST(CommandLine, RunPathCreatesTheAgentFromTheOptions) {
    CommandLineRun r("\"/opt/my agent/agent\" -d edge.orvane -a pc1 -b tcp://127.0.0.1:1883 -u u");
    EXPECT_TRUE(r.run);
    EXPECT_EQ(r.resultCode, -7);
    EXPECT_TRUE(r.agentSet);
    ASSERT_TRUE(r.created);
    EXPECT_EQ(r.created->domain, "edge.orvane");
    EXPECT_EQ(r.created->agent, "pc1");
    EXPECT_EQ(r.created->broker, "tcp://127.0.0.1:1883");
    EXPECT_EQ(r.created->username, "u");
    EXPECT_EQ(r.stored.agent, "pc1");
    EXPECT_EQ(r.stdoutText, "");
    EXPECT_THAT(r.commands, IsEmpty());
}

TEST(CommandLine, DomainSwitchInLastPositionIsBadParameters) {
    CommandLineRun r("agent -a pc1 -d");
    EXPECT_FALSE(r.run);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.stdoutText, kBadParameters);
    EXPECT_THAT(r.events, ElementsAre("agent -a pc1 -d", "Bad commandline provided"));
}

TEST(CommandLine, AgentCreationFailureIsBadCommandline) {
    CommandLineRun r("agent -d edge -a pc1 -b nonsense", placeholderAgent(), "Invalid URI");
    EXPECT_FALSE(r.run);
    EXPECT_EQ(r.stdoutText, "Bad commandline: Invalid URI\n");
    EXPECT_THAT(r.events, ElementsAre("agent -d edge -a pc1 -b nonsense", "Bad commandline provided"));
}

TEST(CommandLine, NoAgentHandleIsBadCommandlineWithoutMessage) {
    CommandLineRun r("agent -d edge -a pc1", nullptr);
    EXPECT_FALSE(r.run);
    EXPECT_EQ(r.stdoutText, "");
    EXPECT_THAT(r.events, ElementsAre("agent -d edge -a pc1", "Bad commandline provided"));
}

TEST(CommandLine, CommandLineIsLoggedAsPlainText) {
    CommandLineRun r("agent %s %d%n -d edge -a pc1");
    EXPECT_TRUE(r.run);
    EXPECT_THAT(r.events, ElementsAre("agent %s %d%n -d edge -a pc1"));
}

TEST(CommandLine, DefaultFactoryBuildsTheRealAgentWithoutConnecting) {
    hosttest::HostJournal journal;
    HeidenhainService service;
    int resultCode = 0;
    CaptureStdout();
    const bool run = service.parseCommandLine("agent -d edge -a pc1 -b tcp://127.0.0.1:1", resultCode);
    const bool rejected = service.parseCommandLine("agent -d edge -a pc1 -b nonsense://x", resultCode);
    const std::string out = GetCapturedStdout();
    EXPECT_TRUE(run);
    EXPECT_FALSE(rejected);
    EXPECT_THAT(out, ::testing::HasSubstr("\nBad commandline: MQTT error"));
    EXPECT_THAT(journal.serviceEvents(), ::testing::Contains("Bad commandline provided"));
}

}  // namespace
}  // namespace heidenhain
