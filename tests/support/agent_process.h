#pragma once
// The built agent executable run as a child process, as an operator would
// run it in the foreground.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/child_process.h"
#include "tests/support/temp_dir.h"

namespace testsupport {

// The Sparkplug B group that every agent of the tests gets when the
// environment names one in NOLT_TEST_SPARKPLUG; empty otherwise.
std::string testSparkplugGroup();

// The command that runs this executable: NOLT_TEST_AGENT_COMMAND, when set,
// runs another build of the agent in its place ("wine64 .../heidenhain-agent.exe"),
// words separated by blanks; the executable itself otherwise.
std::vector<std::string> agentCommand(const std::string& executable = NOLT_AGENT_EXECUTABLE);

// Whether the agent of the tests is a Windows build run by Wine
// (NOLT_TEST_AGENT_COMMAND); tests of what only the Linux build has skip then.
bool agentRunsUnderWine();

class AgentProcess {
public:
    // Starts the executable with the arguments, in a private working
    // directory (the agent writes its "tmp" there), with standard output and
    // standard error captured to files of that directory.
    explicit AgentProcess(const std::vector<std::string>& arguments,
                          const std::string& executable = NOLT_AGENT_EXECUTABLE);
    // Kills the agent when it still runs; prints its output when the
    // current test has failed.
    ~AgentProcess();
    AgentProcess(const AgentProcess&) = delete;
    AgentProcess& operator=(const AgentProcess&) = delete;

    bool signal(int signalNumber);  // SIGTERM, SIGINT, SIGKILL, ...
    bool running() { return process_->running(); }
    pid_t pid() const { return process_->pid(); }
    // The exit code (128 + signal number when a signal ended it), empty when
    // it still runs after the bound.
    std::optional<int> waitForExit(std::chrono::milliseconds bound);

    // What the agent has written so far.
    std::string standardOutput() const;
    std::string standardError() const;
    // Waits until the output contains the text.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds bound) const;
    bool waitForError(const std::string& text, std::chrono::milliseconds bound) const;

    const std::filesystem::path& workingDirectory() const { return directory_.path(); }

private:
    TempDir directory_{"nolt-agent"};
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace testsupport
