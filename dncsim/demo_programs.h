#pragma once
// The NC programs that every simulated control holds in TNC:\nc_prog, the
// same on every run so that demos and tests can rely on them.
#include <string>
#include <vector>

namespace dncsim {

struct DemoProgram {
    std::string path;                 // e.g. "TNC:\nc_prog\demo.h"
    std::vector<std::string> blocks;  // one NC block per line
};

inline constexpr const char* kProgramDirectory = "TNC:\\nc_prog";

const std::vector<DemoProgram>& demoPrograms();

// The program of that path (compared without regard to case, as the control
// does); null when there is none.
const DemoProgram* findDemoProgram(const std::string& path);

}  // namespace dncsim
