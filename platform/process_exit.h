#pragma once
// Exits that the agent takes on purpose go through here so that tests can
// observe them instead of losing the test process.
#include <functional>

namespace platform {

// Ends the process with the code (after flushing the standard streams), or
// calls the installed test handler. When a test handler returns, so does this.
void exitProcess(int code);

// Installs a handler in place of the real exit; an empty function restores it.
void setExitHandler(std::function<void(int)> handler);

}  // namespace platform
