#pragma once
#include <string>

namespace heidenhain {

// The process's whole command line, program path included, as the service
// module reads it: the arguments joined by single spaces.
std::string joinCommandLine(int argc, const char* const* argv);

}  // namespace heidenhain
