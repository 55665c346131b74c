#include "platform/command_runner.h"

#include <memory>
#include <mutex>

namespace platform {
namespace {
std::mutex runnerMutex;
std::shared_ptr<std::function<int(const std::string&)>> testRunner;
}  // namespace

int runCommand(const std::string& command) {
    std::shared_ptr<std::function<int(const std::string&)>> runner;
    {
        std::lock_guard<std::mutex> lock(runnerMutex);
        runner = testRunner;
    }
    return runner ? (*runner)(command) : systemCommandRunner(command);
}

void setCommandRunner(std::function<int(const std::string&)> runner) {
    std::lock_guard<std::mutex> lock(runnerMutex);
    testRunner = runner ? std::make_shared<std::function<int(const std::string&)>>(std::move(runner)) : nullptr;
}

}  // namespace platform
