#include "tests/support/agent_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "tests/support/wait_for.h"

namespace testsupport {
namespace {
constexpr const char* kOutputFile = "stdout.txt";
constexpr const char* kErrorFile = "stderr.txt";

// The agent's arguments, with the Sparkplug B node of NOLT_TEST_SPARKPLUG
// added, so that the whole suite can show that the node changes nothing else.
std::vector<std::string> withTestSparkplug(std::vector<std::string> arguments, const std::string& executable) {
    const std::string group = testSparkplugGroup();
    if (group.empty() || executable != NOLT_AGENT_EXECUTABLE ||
        std::find(arguments.begin(), arguments.end(), "--sparkplug") != arguments.end()) {
        return arguments;
    }
    // In front: a test may end the command line with a switch that lacks its value.
    arguments.insert(arguments.begin(), {"--sparkplug", group});
    return arguments;
}
}  // namespace

std::string testSparkplugGroup() {
    const char* group = std::getenv("NOLT_TEST_SPARKPLUG");
    return group ? group : "";
}

AgentProcess::AgentProcess(const std::vector<std::string>& arguments, const std::string& executable)
    : process_(std::make_unique<ChildProcess>(executable, withTestSparkplug(arguments, executable),
                                              directory_.file(kOutputFile),
                                              directory_.file(kErrorFile), directory_.path())) {}

AgentProcess::~AgentProcess() {
    process_.reset();
    if (::testing::Test::HasFailure()) {
        std::cerr << "--- standard output of the agent ---\n"
                  << standardOutput() << "--- standard error of the agent ---\n"
                  << standardError() << "---\n";
    }
}

bool AgentProcess::signal(int signalNumber) { return process_->signal(signalNumber); }

std::optional<int> AgentProcess::waitForExit(std::chrono::milliseconds bound) {
    return process_->waitForExit(bound);
}

std::string AgentProcess::standardOutput() const { return readFile(directory_.file(kOutputFile)); }

std::string AgentProcess::standardError() const { return readFile(directory_.file(kErrorFile)); }

bool AgentProcess::waitForOutput(const std::string& text, std::chrono::milliseconds bound) const {
    return testsupport::waitFor([&] { return standardOutput().find(text) != std::string::npos; }, bound);
}

bool AgentProcess::waitForError(const std::string& text, std::chrono::milliseconds bound) const {
    return testsupport::waitFor([&] { return standardError().find(text) != std::string::npos; }, bound);
}

}  // namespace testsupport
