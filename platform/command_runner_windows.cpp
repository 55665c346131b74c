#include <cstdlib>

#include "platform/command_runner.h"

namespace platform {

int systemCommandRunner(const std::string& command) { return std::system(command.c_str()); }

}  // namespace platform
