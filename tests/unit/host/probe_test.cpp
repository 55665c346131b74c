// The probe switch, and the probe's verdict against the simulated SDK.
#include <gmock/gmock.h>

#include <sstream>

#include "dnc/factory.h"
#include "dncsim/sdk.h"
#include "host/probe.h"

namespace heidenhain {
namespace {

using testing::HasSubstr;

TEST(ProbeTest, SwitchAndConnectionName) {
    const struct {
        const char* commandLine;
        std::optional<std::string> connection;
    } cases[] = {
        {"agent.exe /Probe", ""},
        {"agent.exe  /Probe  mill-1 extra", "mill-1"},
        {"\"C:\\Program Files\\agent.exe\" /Probe", ""},
        {"agent.exe /probe", std::nullopt},  // case-sensitive, as the other switches
        {"agent.exe -d edge -a a1", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(probeSwitch(c.commandLine), c.connection) << c.commandLine;
}

TEST(ProbeTest, VerdictAndExitCode) {
    dncsim::installSimulatedSdk();
    std::ostringstream out;
    EXPECT_EQ(runProbe(out, "", nullptr), 0);
    EXPECT_THAT(out.str(), HasSubstr("Read the SDK version: ok\n"));
    EXPECT_THAT(out.str(), HasSubstr("Result: usable\n"));

    std::ostringstream failing;
    EXPECT_EQ(runProbe(failing, "", [](std::ostream& report) { return report << "component: lacking\n", false; }), 1);
    EXPECT_THAT(failing.str(), HasSubstr("component: lacking\nCreate a machine object: ok\n"));
    EXPECT_THAT(failing.str(), HasSubstr("Result: NOT usable. Send this whole output"));

    dnc::setMachineFactory(nullptr);
    std::ostringstream none;
    EXPECT_EQ(runProbe(none, "", nullptr), 1);
    EXPECT_THAT(none.str(), HasSubstr("Create a machine object: failed with 0x80040154"));
}

}  // namespace
}  // namespace heidenhain
