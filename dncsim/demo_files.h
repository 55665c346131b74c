#pragma once
// What a simulated control's drive holds when it is first reached: the demo
// programs in TNC:\nc_prog, one NC block per line.
#include <string>
#include <utility>
#include <vector>

namespace dncsim {

std::vector<std::pair<std::string, std::string>> demoFiles();

}  // namespace dncsim
