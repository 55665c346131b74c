#pragma once
#include <iosfwd>

namespace nolt::client {

// The whole client: reads the command line, runs the command, reports a
// failure as one line on `err`; returns the exit code.
int runClient(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace nolt::client
