// The tool and pocket table functions: the checks every family shares, the
// allocation lock around every write, and the family's own reads and writes.
#include <algorithm>
#include <stdexcept>

#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {

std::shared_ptr<ControllerFamily> DncShim::family() { return family_.get(); }

void DncShim::setControllerType(const std::string& controllerType) {
    controllerType_.set(controllerType);
    family_.set(ControllerFamily::forType(*this, controllerType));
}

std::vector<TableRow> DncShim::getToolTable() { return family()->toolTable(ReadFor::Client); }

std::vector<std::string> DncShim::getToolIds() { return family()->toolIds(); }

TableRow DncShim::getToolTableRow(const std::string& paddedToolId) {
    const std::string toolId = trimmedId(paddedToolId);
    if (!dataPathExists(toolRowPath(toolId))) {
        throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    }
    return family()->toolRow(toolId);
}

std::string DncShim::getToolTableCell(const std::string& toolId, const std::string& column) {
    // Single cells are read through the data tree on every control.
    const std::string cellPath = toolCellPath(toolId, column);
    if (dataPathExists(cellPath)) return getValue(cellPath);
    if (dataPathExists(toolRowPath(toolId))) {
        throw std::invalid_argument("Invalid argument: Field name " + column +
                                    " does not exist in tool table (with tool id " + toolId + ")");
    }
    throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in tool table");
}

void DncShim::setToolTableCell(const std::string& givenToolId, const std::string& column, const std::string& value) {
    const std::string toolId = toolIdArgument(givenToolId);
    // The table file would carry two T columns and move the row.
    if (column == PRIMARY_KEY) throwKeyColumnWrite();
    auto tables = family();
    auto allocating = tables->allocating("setToolTableCell");
    tables->setToolCell(toolId, column, value);
}

void DncShim::setToolTableRow(const std::string& givenToolId, const TableRow& row) {
    logInformation("setToolTableRow", name_ + ": " + givenToolId);
    const std::string toolId = toolIdArgument(givenToolId);
    refuseKeyChange(row, toolId);
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "setToolTableRow"), SDK_CALL_SITE);
    auto tables = family();
    auto allocating = tables->allocating("setToolTableRow");
    tables->setToolRow(toolId, row);
}

std::string DncShim::setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row) {
    logInformation("setTool", name_ + " (" + pocketId + ", " + toolId + ")");
    auto tables = family();
    // Two callers must not both be offered the same free row, nor both find
    // the same named row empty: the search and the writes are one step.
    auto allocating = tables->allocating("setTool");
    // Every input is checked before the first write: a refused link must not
    // leave the row written.
    const std::string pocket = pocketId.empty() ? std::string() : requirePocket(*tables, pocketId);
    std::string id;
    if (!toolId.empty()) {
        id = toolIdArgument(toolId);
        if (dataPathExists(toolRowPath(id))) {
            const std::string name = getToolTableCell(id, "NAME");
            if (!name.empty()) throw std::runtime_error("Tool table row " + id + " is not empty (NAME=" + name + ")");
        }
        logInformation("setTool", name_ + ": Setting row " + id + " in tool table");
    } else {
        id = tables->freeToolId();
        if (id.empty()) throw std::runtime_error("No free tool table row available");
    }
    refuseKeyChange(row, id);
    if (!pocket.empty()) refuseSecondPocket(*tables, id, pocket);
    logInformation("setToolTableRow", name_ + ": " + id);
    tables->setToolRow(id, row);
    if (pocket.empty()) return id;
    logInformation("setTool", name_ + ": Linking P: " + pocket + " to T: " + id);
    tables->writePocketTool(pocket, id);
    return id;
}

void DncShim::clearToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would address the whole table.
    const std::string toolId = toolIdArgument(givenToolId);
    auto tables = family();
    auto allocating = tables->allocating("clearToolTableRow");
    tables->clearToolRow(toolId);
    unlinkFromAllPockets(*tables, toolId);
}

void DncShim::removeToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would make the range '.0-.9', tool 0.
    const std::string toolId = toolIdArgument(givenToolId);
    auto tables = family();
    auto allocating = tables->allocating("removeToolTableRow");
    tables->removeToolRow(toolId);
    unlinkFromAllPockets(*tables, toolId);
}

void DncShim::removeTool(const std::string& toolId) { removeToolTableRow(toolId); }

std::vector<TableRow> DncShim::getPocketTable() { return family()->pocketTable(ReadFor::Client); }

std::string DncShim::requirePocket(ControllerFamily& tables, const std::string& pocketId) {
    const std::string id = trimmedId(pocketId);
    if (!idNumber(id) || !tables.hasPocket(id))
        throw std::invalid_argument("Invalid argument: Pocket id " + pocketId + " does not exist in pocket table");
    return id;
}

std::string DncShim::getLinkedToolId(const std::string& pocketId) {
    auto tables = family();
    return tables->toolInPocket(requirePocket(*tables, pocketId));
}

void DncShim::refuseSecondPocket(ControllerFamily& tables, const std::string& toolId, const std::string& pocketId) {
    const std::string holder = tables.pocketOfTool(toolId);
    if (!holder.empty() && holder != pocketId) {
        throw std::invalid_argument("Invalid argument: Tool " + toolId + " is already in pocket " + holder);
    }
}

void DncShim::linkToolToPocketTable(const std::string& pocketId, const std::string& toolId) {
    auto tables = family();
    auto allocating = tables->allocating("linkToolToPocketTable");
    const std::string pocket = requirePocket(*tables, pocketId);
    const std::string tool = toolIdArgument(toolId);
    if (!dataPathExists(toolRowPath(tool)))
        throw std::invalid_argument("Invalid argument: Tool id " + tool + " does not exist in table");
    refuseSecondPocket(*tables, tool, pocket);
    tables->writePocketTool(pocket, tool);
}

void DncShim::unlinkToolFromPocketTable(const std::string& pocketId) {
    if (pocketId.empty()) return;
    auto tables = family();
    auto allocating = tables->allocating("unlinkToolFromPocketTable");
    tables->clearPocket(requirePocket(*tables, pocketId));
}

void DncShim::unlinkFromAllPockets(ControllerFamily& tables, const std::string& toolId) {
    // A table edited on the control may hold the tool in several pockets.
    // Each round frees the first pocket still holding it; a pocket met twice
    // would be one that cannot be freed.
    std::vector<std::string> freed;
    for (std::string pocket = tables.pocketOfTool(toolId); !pocket.empty(); pocket = tables.pocketOfTool(toolId)) {
        if (std::find(freed.begin(), freed.end(), pocket) != freed.end()) return;
        tables.clearPocket(pocket);
        freed.push_back(pocket);
    }
}

TableRow DncShim::getToolTableRowByPocketId(const std::string& pocketId) {
    const std::string toolId = getLinkedToolId(pocketId);
    TableRow row;
    if (!toolId.empty()) row = getToolTableRow(toolId);
    row["P"] = trimmedId(pocketId);
    return row;
}

void DncShim::setLinkedToolTableRow(const std::string& pocketId, const TableRow& row) {
    auto tables = family();
    auto allocating = tables->allocating("setLinkedToolTableRow");
    setLinkedRow(*tables, pocketId, row);
}

void DncShim::setLinkedRow(ControllerFamily& tables, const std::string& pocketId, const TableRow& row) {
    logInformation("setLinkedToolTableRow", name_ + ": " + pocketId);
    const std::string pocket = requirePocket(tables, pocketId);
    const std::string toolId = tables.freeToolId();
    if (toolId.empty()) throw std::runtime_error("No free tool table row available");
    refuseKeyChange(row, toolId);
    // The row first: a row the control refuses must leave the pocket free,
    // not pointing at a tool that does not exist.
    logInformation("setLinkedToolTableRow", name_ + ": setting row in tool table");
    logInformation("setToolTableRow", name_ + ": " + toolId);
    tables.setToolRow(toolId, row);
    logInformation("setLinkedToolTableRow", name_ + " :linking P: " + pocket + " to T: " + toolId);
    tables.writePocketTool(pocket, toolId);
}

std::string DncShim::addLinkedToolTableRow(const TableRow& row) {
    auto tables = family();
    auto allocating = tables->allocating("addLinkedToolTableRow");
    logInformation("addLinkedToolTableRow", name_);
    const std::string pocketId = tables->freePocketId();
    // The number after the last pocket is no pocket of this magazine: it is full.
    if (pocketId.empty() || !idNumber(pocketId) || !tables->hasPocket(pocketId)) return {};
    setLinkedRow(*tables, pocketId, row);
    return pocketId;
}

void DncShim::removeToolTableRowByPocketId(const std::string& pocketId) {
    logInformation("removeToolTableRowByPocketId", name_ + ": " + pocketId);
    auto tables = family();
    auto allocating = tables->allocating("removeToolTableRowByPocketId");
    const std::string toolId = tables->toolInPocket(requirePocket(*tables, pocketId));
    if (toolId.empty()) return;
    // Removing the tool frees every pocket that holds it; a refused removal
    // leaves the link as it was. This pocket may hold the id padded, which a
    // search by the tool's number misses.
    const std::string id = toolIdArgument(toolId);
    tables->removeToolRow(id);
    unlinkFromAllPockets(*tables, id);
    tables->clearPocket(trimmedId(pocketId));
}

}  // namespace heidenhain
