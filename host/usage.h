#pragma once
#include <string>

namespace heidenhain {

// What --help prints: every switch of the agent, one a line.
std::string usageText();

}  // namespace heidenhain
