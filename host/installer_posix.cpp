#include "host/installer.h"

namespace heidenhain {

// No service control tool exists here; the commands keep its plain name.
std::string serviceControlTool() { return "sc.exe"; }

}  // namespace heidenhain
