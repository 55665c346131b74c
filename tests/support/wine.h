#pragma once
// Windows programs run to their end under Wine from the Linux tests, in the
// prefix of the environment (WINEPREFIX). Wine's loader and the agent's
// Windows program come from the test command (NOLT_TEST_AGENT_COMMAND).
#include <chrono>
#include <string>
#include <vector>

#include "tests/support/mqtt_test_client.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

struct WindowsAgent {
    std::string wine;
    std::string program;
};

WindowsAgent windowsAgent();

// What a Windows program printed and its exit code (-1 when it did not end
// within the bound).
struct WineRun {
    int exitCode = -1;
    std::string output;
};

WineRun runUnderWine(const std::vector<std::string>& arguments, const TempDir& directory,
                     std::chrono::seconds bound = std::chrono::seconds(120));

// A Linux path as Wine's programs name it (drive Z: is the root).
std::string windowsPath(const std::string& path);

// Whether the message is an agent info with this status.
bool isAgentStatus(const ReceivedMessage& message, const std::string& status);

}  // namespace testsupport
