
#include "platform/command_runner.h"
#include "platform/log.h"

namespace platform {

// The only commands handed here are the service control tool's, which exists
// on Windows only; say so instead of pretending that they ran.
int systemCommandRunner(const std::string& command) {
    logError("Not run (service installation is available on Windows only): " + command);
    return 1;
}

}  // namespace platform
