#include "host/command_line.h"

namespace heidenhain {

std::string processCommandLine(int argc, const char* const* argv) { return joinCommandLine(argc, argv); }

}  // namespace heidenhain
