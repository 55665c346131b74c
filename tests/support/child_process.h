#pragma once
// A child process for tests: started with its output in files, signalled,
// waited for with a bound, and never left behind.
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

// Used from one thread (the test's).
class ChildProcess {
public:
    // Starts the executable with the arguments (not counting argv[0]).
    // Standard input reads /dev/null; standard output and standard error are
    // appended to the files. The child inherits no other descriptor and
    // starts with default signal dispositions, in the working directory
    // when one is given. Throws std::system_error.
    ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                 const std::filesystem::path& outputFile, const std::filesystem::path& errorFile,
                 const std::filesystem::path& workingDirectory = {});
    // Kills a child that still runs and reaps it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }

    // False once the child has ended.
    bool running();

    // Sends the signal; false when the child has already ended.
    bool signal(int signalNumber);

    // Waits up to the bound for the end. The exit code, or 128 + the signal
    // number when a signal ended it (as a shell reports it); empty when it
    // still runs.
    std::optional<int> waitForExit(std::chrono::milliseconds bound);

    // SIGKILL and reap.
    void kill();

private:
    bool reap(bool block = false);  // true once ended

    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

}  // namespace testsupport
