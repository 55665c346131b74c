// Stand-ins until the pocket and tool table functions land.
#include <stdexcept>

#include "heidenhain/dncshim.h"

namespace heidenhain {
std::vector<TableRow> DncShim::getPocketTable() { throw std::logic_error("getPocketTable is not available yet"); }
std::vector<std::string> DncShim::getToolIds() { throw std::logic_error("getToolIds is not available yet"); }
}  // namespace heidenhain
