#include "tests/support/agent_process.h"

#include <gtest/gtest.h>

#include <iostream>

#include "tests/support/wait_for.h"

namespace testsupport {
namespace {
constexpr const char* kOutputFile = "stdout.txt";
constexpr const char* kErrorFile = "stderr.txt";
}  // namespace

AgentProcess::AgentProcess(const std::vector<std::string>& arguments, const std::string& executable)
    : process_(std::make_unique<ChildProcess>(executable, arguments, directory_.file(kOutputFile),
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
