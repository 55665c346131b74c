// Tool rows reached through their pockets: read, written into a free tool
// row and pocket, and removed together with the link.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/free_ids.h"
#include "heidenhain/session_log.h"
#include "heidenhain/std_texts.h"

namespace heidenhain {

TableRow DncShim::getToolTableRowByPocketId(const std::string& pocketId) {
    const std::string toolId = getLinkedToolId(pocketId);
    TableRow row;
    if (!toolId.empty()) row = getToolTableRow(toolId);
    row["P"] = pocketId;
    return row;
}

void DncShim::setLinkedToolTableRow(const std::string& pocketId, const TableRow& row) {
    logInformation("setLinkedToolTableRow", name_ + ": " + pocketId);
    const std::string toolId = findFreeToolId();
    if (toolId.empty()) throw std::runtime_error("No free tool table row available");
    logInformation("setLinkedToolTableRow", name_ + " :linking P: " + pocketId + " to T: " + toolId);
    linkToolToPocketTable(pocketId, toolId);
    logInformation("setLinkedToolTableRow", name_ + ": setting row in tool table");
    setToolTableRow(toolId, row);
}

std::string DncShim::addLinkedToolTableRow(const TableRow& row) {
    logInformation("addLinkedToolTableRow", name_);
    const std::string pocketId = findFreePocketId();
    if (pocketId.empty()) return {};
    setLinkedToolTableRow(pocketId, row);
    return pocketId;
}

std::string DncShim::findFreePocketId() {
    if (usesItncTable(controllerType_.get())) return firstFreePocketRow(getCachedItncTable(POCKET_TABLE));
    for (const auto& id : getPocketIds()) {
        if (getLinkedToolId(id).empty() && parseFloat(id) > 0) return id;
    }
    return {};
}

void DncShim::removeToolTableRowByPocketId(const std::string& pocketId) {
    logInformation("removeToolTableRowByPocketId", name_ + ": " + pocketId);
    const std::string toolId = getLinkedToolId(pocketId);
    if (toolId.empty()) return;
    unlinkToolFromPocketTable(pocketId);
    removeToolTableRow(toolId);
}

}  // namespace heidenhain
