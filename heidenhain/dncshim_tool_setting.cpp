// Setting a tool: its row written under the given or a free tool id, and the
// tool linked into a pocket.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/free_ids.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {

std::vector<std::string> DncShim::getToolIds() {
    if (!usesItncTable(controllerType_.get())) return tableListing(TOOL_DATA_PATH + PRIMARY_KEY);
    std::vector<std::string> ids;
    for (const auto& row : getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"))
        ids.push_back(trimmedId(cellOf(row, PRIMARY_KEY)));
    return ids;
}

std::string DncShim::findFreeToolId() {
    if (usesItncTable(controllerType_.get())) return firstFreeToolRow(getCachedItncTable(TOOL_TABLE, "WHERE T > 0"));
    return firstFreeToolId(getToolIds(), [this](const std::string& id) { return !getToolTableCell(id, "NAME").empty(); });
}

std::string DncShim::setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row) {
    logInformation("setTool", name_ + " (" + pocketId + ", " + toolId + ")");
    // Two callers must not both be offered the same free row, nor both find
    // the same named row empty: the search and the writes are one step.
    auto allocating = guard_.lock(allocationMutex_, "setTool", SDK_CALL_SITE);
    // Every input is checked before the first write: a refused link must not
    // leave the row written.
    const std::string pocket = pocketId.empty() ? std::string() : requirePocket(pocketId);
    std::string id;
    if (!toolId.empty()) {
        id = toolIdArgument(toolId);
        if (dataPathExists(toolRowPath(id))) {
            const std::string name = getToolTableCell(id, "NAME");
            if (!name.empty()) throw std::runtime_error("Tool table row " + id + " is not empty (NAME=" + name + ")");
        }
        logInformation("setTool", name_ + ": Setting row " + id + " in tool table");
    } else {
        id = findFreeToolId();
        if (id.empty()) throw std::runtime_error("No free tool table row available");
    }
    refuseKeyChange(row, id);
    if (!pocket.empty()) refuseSecondPocket(id, pocket);
    setToolTableRow(id, row);
    if (pocket.empty()) return id;
    logInformation("setTool", name_ + ": Linking P: " + pocket + " to T: " + id);
    writePocketTool(pocket, id);
    return id;
}

}  // namespace heidenhain
