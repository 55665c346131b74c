#include "host/installer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "host/password.h"
#include "host_journal.h"
#include "platform/hostname.h"

namespace heidenhain {
namespace {

using ::testing::ElementsAre;
using ::testing::internal::CaptureStdout;
using ::testing::internal::GetCapturedStdout;

// The password is the one part of the create command that is not known in
// advance.
std::string passwordIn(const std::string& createCommand) {
    std::smatch match;
    const std::regex pattern(" -P (\\S*) -b ");
    return std::regex_search(createCommand, match, pattern) ? match[1].str() : "<none>";
}

TEST(Installer, CreateCommandHasEveryPieceInOrder) {
    EXPECT_EQ(createServiceCommand("\\\"C:\\Program Files\\agent.exe\\\" ", "heidenhain-pc1",
                                   "heidenhain-pc1", "Ab3dEf7h", "broker.example"),
              "sc.exe create \"Orvane Heidenhain Agent\" binPath= \"\\\"C:\\Program "
              "Files\\agent.exe\\\"  -d edge.orvane -a heidenhain-pc1 -u heidenhain-pc1 -P "
              "Ab3dEf7h -b ssl://broker.example:8883\" start= auto");
    // A whole URI stays as it is.
    EXPECT_NE(createServiceCommand("agent.exe ", "a", "a", "p", "tcp://10.0.0.5:1883")
                  .find(" -b tcp://10.0.0.5:1883\""),
              std::string::npos);
}

// The program part is the path the system reports, whatever the narrow
// command line made of it; what was typed between it and the switch stays.
TEST(Installer, PrefixIsTheModulePathThenTheArgumentsBeforeTheSwitch) {
    struct Case {
        const char* modulePath;
        std::string commandLine;
        const char* prefix;
    };
    const Case cases[] = {
        {"C:\\Program Files\\agent.exe", "agent /Service host", "\\\"C:\\Program Files\\agent.exe\\\" "},
        {"C:\\A\\agent.exe", "\"C:\\A B\\x.exe\" -t \"q\" /Service host", "\\\"C:\\A\\agent.exe\\\" -t \\\"q\\\" "},
        {"C:\\A\\agent.exe", "\"C:\\Program Files\\/Service host", "\\\"C:\\A\\agent.exe\\\""},
        {"C:\\Werkst\xC3\xA4tten \xCE\xA9\\agent.exe", "C:\\Werkst\xE4tten\\agent.exe\t/Service h",
         "\\\"C:\\Werkst\xC3\xA4tten \xCE\xA9\\agent.exe\\\"\t"},
        {"", "\"C:\\A B\\agent.exe\" /Service h", "\\\"C:\\A B\\agent.exe\\\" "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(installerPrefix(c.modulePath, c.commandLine, c.commandLine.find("/Service")), c.prefix)
            << c.commandLine;
    }
}

TEST(Installer, InstallCreatesConfiguresAndStartsSilently) {
    hosttest::HostJournal journal(/*serviceMode=*/true);
    CaptureStdout();
    installService("agent.exe ", "broker.example");
    EXPECT_EQ(GetCapturedStdout(), "");

    const auto commands = journal.commands();
    ASSERT_EQ(commands.size(), 4u);
    const std::string name = "heidenhain-" + platform::localHostName(128);
    const std::string password = passwordIn(commands[0]);
    EXPECT_EQ(password.size(), kPasswordLength);
    EXPECT_EQ(commands[0],
              createServiceCommand("agent.exe ", name, name, password, "broker.example"));
    EXPECT_THAT(
        journal.entries(),
        ElementsAre("heidenhain/4: Creating Service", "run: " + commands[0],
                    "heidenhain/4: Configuring Service",
                    "run: sc.exe failure \"Orvane Heidenhain Agent\" actions= "
                    "restart/2000/restart/2000/restart/2000 reset= 86400",
                    "run: sc.exe description \"Orvane Heidenhain Agent\" \"Connecting "
                    "Heidenhain controlled CNC machines to Orvane Linkwerk\"",
                    "heidenhain/4: Starting Service",
                    "run: sc.exe start \"Orvane Heidenhain Agent\""));
}

// Unlike a generator seeded with the clock, two installs in the same second
// get different passwords (a collision has probability 62^-8).
TEST(Installer, TwoInstallsGetDifferentPasswords) {
    hosttest::HostJournal journal;
    installService("agent.exe", "broker");
    installService("agent.exe", "broker");
    const auto commands = journal.commands();
    ASSERT_EQ(commands.size(), 8u);
    EXPECT_NE(passwordIn(commands[0]), passwordIn(commands[4]));
}

TEST(Installer, UninstallStopsThenDeletesSilently) {
    hosttest::HostJournal journal(/*serviceMode=*/true);
    CaptureStdout();
    uninstallService();
    EXPECT_EQ(GetCapturedStdout(), "");
    EXPECT_THAT(journal.entries(),
                ElementsAre("heidenhain/4: Stopping Service",
                            "run: sc.exe stop \"Orvane Heidenhain Agent\"",
                            "heidenhain/4: Deleting Service",
                            "run: sc.exe delete \"Orvane Heidenhain Agent\""));
}

}  // namespace
}  // namespace heidenhain
