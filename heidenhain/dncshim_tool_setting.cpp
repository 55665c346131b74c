// Setting a tool: its row written under the given or a free tool id, and the
// tool linked into a pocket.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/free_ids.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {

std::vector<std::string> DncShim::getToolIds() {
    if (!usesItncTable(controllerType_.get())) return getValues(TOOL_DATA_PATH + PRIMARY_KEY);
    std::vector<std::string> ids;
    for (const auto& row : getCachedItncTable(TOOL_TABLE, "WHERE T >= 0")) ids.push_back(cellOf(row, PRIMARY_KEY));
    return ids;
}

std::string DncShim::findFreeToolId() {
    if (usesItncTable(controllerType_.get())) return firstFreeToolRow(getCachedItncTable(TOOL_TABLE, "WHERE T > 0"));
    return firstFreeToolId(getToolIds(), [this](const std::string& id) { return !getToolTableCell(id, "NAME").empty(); });
}

std::string DncShim::setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row) {
    logInformation("setTool", name_ + " (" + pocketId + ", " + toolId + ")");
    std::string id = toolId;
    if (!toolId.empty()) {
        if (dataPathExists(toolRowPath(toolId))) {
            const std::string name = getToolTableCell(toolId, "NAME");
            if (!name.empty()) throw std::runtime_error("Tool table row " + toolId + " is not empty (NAME=" + name + ")");
        }
        logInformation("setTool", name_ + ": Setting row " + toolId + " in tool table");
    } else {
        id = findFreeToolId();
        if (id.empty()) throw std::runtime_error("No free tool table row available");
    }
    setToolTableRow(id, row);
    if (pocketId.empty()) return id;
    logInformation("setTool", name_ + ": Linking P: " + pocketId + " to T: " + id);
    linkToolToPocketTable(pocketId, id);
    return id;
}

}  // namespace heidenhain
