// Tool rows reached through their pockets: read, written into a free tool
// row and pocket, and removed together with the link.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/free_ids.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"

namespace heidenhain {

TableRow DncShim::getToolTableRowByPocketId(const std::string& pocketId) {
    const std::string toolId = getLinkedToolId(pocketId);
    TableRow row;
    if (!toolId.empty()) row = getToolTableRow(toolId);
    row["P"] = trimmedId(pocketId);
    return row;
}

void DncShim::setLinkedToolTableRow(const std::string& pocketId, const TableRow& row) {
    auto allocating = guard_.lock(allocationMutex_, "setLinkedToolTableRow", SDK_CALL_SITE);
    setLinkedToolTableRowLocked(pocketId, row);
}

void DncShim::setLinkedToolTableRowLocked(const std::string& pocketId, const TableRow& row) {
    logInformation("setLinkedToolTableRow", name_ + ": " + pocketId);
    const std::string pocket = requirePocket(pocketId);
    const std::string toolId = findFreeToolId();
    if (toolId.empty()) throw std::runtime_error("No free tool table row available");
    refuseKeyChange(row, toolId);
    // The row first: a row the control refuses must leave the pocket free,
    // not pointing at a tool that does not exist.
    logInformation("setLinkedToolTableRow", name_ + ": setting row in tool table");
    setToolTableRow(toolId, row);
    logInformation("setLinkedToolTableRow", name_ + " :linking P: " + pocket + " to T: " + toolId);
    writePocketTool(pocket, toolId);
}

std::string DncShim::addLinkedToolTableRow(const TableRow& row) {
    auto allocating = guard_.lock(allocationMutex_, "addLinkedToolTableRow", SDK_CALL_SITE);
    logInformation("addLinkedToolTableRow", name_);
    const std::string pocketId = findFreePocketId();
    // The number after the last pocket is no pocket of this magazine: it is full.
    if (pocketId.empty() || !pocketExists(pocketId)) return {};
    setLinkedToolTableRowLocked(pocketId, row);
    return pocketId;
}

std::string DncShim::findFreePocketId() {
    if (usesItncTable(controllerType_.get())) return firstFreePocketRow(getCachedItncTable(POCKET_TABLE));
    for (const auto& id : getPocketIds()) {
        const auto number = idNumber(id);
        if (number && *number > 0 && getLinkedToolId(id).empty()) return trimmedId(id);
    }
    return {};
}

void DncShim::removeToolTableRowByPocketId(const std::string& pocketId) {
    logInformation("removeToolTableRowByPocketId", name_ + ": " + pocketId);
    const std::string toolId = getLinkedToolId(pocketId);
    if (toolId.empty()) return;
    // Removing the tool frees every pocket that holds it; a refused removal
    // leaves the link as it was. This pocket may hold the id padded, which a
    // search by the tool's number misses.
    removeToolTableRow(toolId);
    clearPocket(trimmedId(pocketId));
}

}  // namespace heidenhain
