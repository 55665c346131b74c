#include <iostream>

#include "platform/command_runner.h"

namespace platform {

// The only commands handed here are the service control tool's, which exists
// on Windows only; say so instead of pretending that they ran.
int systemCommandRunner(const std::string& command) {
    std::cerr << "Not run (service installation is available on Windows only): " << command
              << std::endl;
    return 1;
}

}  // namespace platform
