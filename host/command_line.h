#pragma once
#include <string>

namespace heidenhain {

// The process's whole command line, program path included, as the service
// module reads it: the arguments joined by single spaces.
std::string joinCommandLine(int argc, const char* const* argv);

}  // namespace heidenhain

namespace heidenhain {

// The command line the program was started with, program path included, in
// the service module's narrow form. Windows: the process's own wide command
// line, every UTF-16 unit cut to its low 8 bits (quotes kept as typed).
// POSIX: the arguments joined by single spaces.
std::string processCommandLine(int argc, const char* const* argv);

}  // namespace heidenhain
