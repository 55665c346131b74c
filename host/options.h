#pragma once
#include "agent/agent_options.h"

namespace heidenhain {

// Reads the agent's switches from a program-style argument list (argv[0] is
// skipped). Switches match exactly; a later one wins; a switch in the last
// position stores nothing; anything unknown is skipped silently. A value of
// -w that is not a worker count throws std::invalid_argument.
nolt::AgentOptions parseOptions(int argc, const char* const* argv);

}  // namespace heidenhain
