#include "tests/support/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <system_error>

#include "tests/support/wait_for.h"

extern char** environ;

namespace testsupport {
namespace {

// RAII for the two attribute objects of posix_spawn.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;

    SpawnSetup(const std::filesystem::path& outputFile, const std::filesystem::path& errorFile,
               const std::filesystem::path& workingDirectory) {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, outputFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(),
                                         O_WRONLY | O_CREAT | O_APPEND, 0644);
        // Inherited sockets would keep the test's MQTT connections open after
        // the test closes them.
        posix_spawn_file_actions_addclosefrom_np(&actions, 3);
        if (!workingDirectory.empty()) {
            posix_spawn_file_actions_addchdir_np(&actions, workingDirectory.c_str());
        }

        // The child handles its own signals even when a test thread blocks
        // or ignores some.
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

}  // namespace

ChildProcess::ChildProcess(const std::string& executable, const std::vector<std::string>& arguments,
                           const std::filesystem::path& outputFile,
                           const std::filesystem::path& errorFile,
                           const std::filesystem::path& workingDirectory) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const auto& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    SpawnSetup setup(outputFile, errorFile, workingDirectory);
    int error = posix_spawn(&pid_, executable.c_str(), &setup.actions, &setup.attributes, argv.data(),
                            environ);
    if (error != 0) throw std::system_error(error, std::generic_category(), "posix_spawn " + executable);
}

ChildProcess::~ChildProcess() { kill(); }

bool ChildProcess::reap(bool block) {
    if (exitCode_) return true;
    int status = 0;
    pid_t result = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    if (result == 0) return false;
    if (result < 0) {
        exitCode_ = -1;  // not our child any more; nothing left to wait for
    } else if (WIFEXITED(status)) {
        exitCode_ = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        exitCode_ = 128 + WTERMSIG(status);
    } else {
        return false;  // stopped or continued: still there
    }
    return true;
}

bool ChildProcess::running() { return !reap(); }

bool ChildProcess::signal(int signalNumber) {
    // A reaped child's pid may belong to another process by now.
    if (reap()) return false;
    return ::kill(pid_, signalNumber) == 0;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds bound) {
    waitFor([this] { return reap(); }, bound);
    return exitCode_;
}

void ChildProcess::kill() {
    if (reap()) return;
    ::kill(pid_, SIGKILL);
    // SIGKILL cannot be caught; blocking covers only the kernel's tear-down.
    reap(true);
}

}  // namespace testsupport
