#include "tests/support/agent_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <csignal>
#include <iostream>
#include <sstream>

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

std::unique_ptr<ChildProcess> startAgent(const std::string& executable, std::vector<std::string> arguments,
                         const TempDir& directory) {
    auto command = agentCommand(executable);
    arguments.insert(arguments.begin(), command.begin() + 1, command.end());
    return std::make_unique<ChildProcess>(command.front(), arguments, directory.file(kOutputFile),
                                          directory.file(kErrorFile), directory.path());
}

}  // namespace

std::vector<std::string> agentCommand(const std::string& executable) {
    const char* command = std::getenv("NOLT_TEST_AGENT_COMMAND");
    if (!command || executable != NOLT_AGENT_EXECUTABLE) return {executable};
    std::vector<std::string> words;
    std::istringstream in(command);
    for (std::string word; in >> word;) words.push_back(word);
    return words.empty() ? std::vector<std::string>{executable} : words;
}

bool agentRunsUnderWine() {
    const char* command = std::getenv("NOLT_TEST_AGENT_COMMAND");
    return command && std::string(command).find("wine") != std::string::npos;
}

std::string testSparkplugGroup() {
    const char* group = std::getenv("NOLT_TEST_SPARKPLUG");
    return group ? group : "";
}

AgentProcess::AgentProcess(const std::vector<std::string>& arguments, const std::string& executable)
    : process_(startAgent(executable, withTestSparkplug(arguments, executable), directory_)) {}

AgentProcess::~AgentProcess() {
    process_.reset();
    if (::testing::Test::HasFailure()) {
        std::cerr << "--- standard output of the agent ---\n"
                  << standardOutput() << "--- standard error of the agent ---\n"
                  << standardError() << "---\n";
    }
}

bool AgentProcess::signal(int signalNumber) {
    // A Windows program learns of a stop only as a console control event,
    // which Wine raises for an interrupt; a terminate would just end it.
    if (signalNumber == SIGTERM && agentRunsUnderWine()) signalNumber = SIGINT;
    return process_->signal(signalNumber);
}

std::optional<int> AgentProcess::waitForExit(std::chrono::milliseconds bound) {
    return process_->waitForExit(bound);
}

// A Windows agent's line ends are "\r\n"; the texts are the same.
std::string withoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

std::string AgentProcess::standardOutput() const {
    return withoutCarriageReturns(readFile(directory_.file(kOutputFile)));
}

std::string AgentProcess::standardError() const {
    return withoutCarriageReturns(readFile(directory_.file(kErrorFile)));
}

bool AgentProcess::waitForOutput(const std::string& text, std::chrono::milliseconds bound) const {
    return testsupport::waitFor([&] { return standardOutput().find(text) != std::string::npos; }, bound);
}

bool AgentProcess::waitForError(const std::string& text, std::chrono::milliseconds bound) const {
    return testsupport::waitFor([&] { return standardError().find(text) != std::string::npos; }, bound);
}

}  // namespace testsupport
