#pragma once

namespace heidenhain {

// Starts the agent again, same process and arguments, with glibc's cache of
// freed small blocks per thread turned off; returns at once where that is
// done already, set otherwise by whoever started the agent, or impossible.
void restartWithoutThreadBlockCache(char** argv);

}  // namespace heidenhain
