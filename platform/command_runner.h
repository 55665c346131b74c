#pragma once
// The command processor. The installer builds its commands as exact texts;
// tests replace the runner to see them without running anything.
#include <functional>
#include <string>

namespace platform {

// Runs the command through the installed runner (the system's command
// processor by default) and returns its result.
int runCommand(const std::string& command);

// Installs a runner in place of the command processor; an empty function
// restores it.
void setCommandRunner(std::function<int(const std::string&)> runner);

// The command processor of this platform.
int systemCommandRunner(const std::string& command);

}  // namespace platform
