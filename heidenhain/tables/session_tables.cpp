// The tool and pocket table functions: the checks every family shares, the
// allocation lock around every write, and the family's own reads and writes.
#include <algorithm>
#include <stdexcept>

#include "heidenhain/cnc/session_data.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/tables/session_tables.h"
#include "heidenhain/tables/table_ids.h"
#include "heidenhain/tables/table_paths.h"

namespace heidenhain {

std::vector<TableRow> SessionTables::getToolTable() { return context_.family.get()->toolTable(ReadFor::Client); }

std::vector<std::string> SessionTables::getToolIds() { return context_.family.get()->toolIds(); }

TableRow SessionTables::getToolTableRow(const std::string& paddedToolId) {
    const std::string toolId = trimmedId(paddedToolId);
    if (!data_.dataPathExists(toolRowPath(toolId))) {
        throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    }
    return context_.family.get()->toolRow(toolId);
}

std::string SessionTables::getToolTableCell(const std::string& toolId, const std::string& column) {
    return context_.family.get()->toolCell(toolId, column);
}

void SessionTables::setToolTableCell(const std::string& givenToolId, const std::string& column,
                                     const std::string& value) {
    const std::string toolId = toolIdArgument(givenToolId);
    // The table file would carry two T columns and move the row.
    if (column == PRIMARY_KEY) throwKeyColumnWrite();
    auto tables = context_.family.get();
    auto allocating = tables->allocating("setToolTableCell");
    tables->setToolCell(toolId, column, value);
}

void SessionTables::setToolTableRow(const std::string& givenToolId, const TableRow& row) {
    logInformation("setToolTableRow", context_.name + ": " + givenToolId);
    const std::string toolId = toolIdArgument(givenToolId);
    refuseKeyChange(row, toolId);
    requireInterface(context_.guard, data_.dataAccessCheck(context_.dataAccess.get(), "setToolTableRow"),
                     SDK_CALL_SITE);
    auto tables = context_.family.get();
    auto allocating = tables->allocating("setToolTableRow");
    tables->setToolRow(toolId, row);
}

std::string SessionTables::setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row) {
    logInformation("setTool", context_.name + " (" + pocketId + ", " + toolId + ")");
    auto tables = context_.family.get();
    // Two callers must not both be offered the same free row, nor both find
    // the same named row empty: the search and the writes are one step.
    auto allocating = tables->allocating("setTool");
    // Every input is checked before the first write: a refused link must not
    // leave the row written.
    const std::string pocket = pocketId.empty() ? std::string() : requirePocket(*tables, pocketId);
    std::string id;
    if (!toolId.empty()) {
        id = toolIdArgument(toolId);
        if (data_.dataPathExists(toolRowPath(id))) {
            const std::string name = getToolTableCell(id, "NAME");
            if (!name.empty()) throw std::runtime_error("Tool table row " + id + " is not empty (NAME=" + name + ")");
        }
        logInformation("setTool", context_.name + ": Setting row " + id + " in tool table");
    } else {
        id = tables->freeToolId();
        if (id.empty()) throw std::runtime_error("No free tool table row available");
    }
    refuseKeyChange(row, id);
    if (!pocket.empty()) refuseSecondPocket(*tables, id, pocket);
    logInformation("setToolTableRow", context_.name + ": " + id);
    tables->setToolRow(id, row);
    if (pocket.empty()) return id;
    logInformation("setTool", context_.name + ": Linking P: " + pocket + " to T: " + id);
    tables->writePocketTool(pocket, id);
    return id;
}

void SessionTables::clearToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would address the whole table.
    const std::string toolId = toolIdArgument(givenToolId);
    auto tables = context_.family.get();
    auto allocating = tables->allocating("clearToolTableRow");
    tables->clearToolRow(toolId);
    unlinkFromAllPockets(*tables, toolId);
}

void SessionTables::removeToolTableRow(const std::string& givenToolId) {
    // Checked before anything is read: an empty id would make the range '.0-.9', tool 0.
    const std::string toolId = toolIdArgument(givenToolId);
    auto tables = context_.family.get();
    auto allocating = tables->allocating("removeToolTableRow");
    tables->removeToolRow(toolId);
    unlinkFromAllPockets(*tables, toolId);
}

std::vector<TableRow> SessionTables::getPocketTable() { return context_.family.get()->pocketTable(ReadFor::Client); }

std::string SessionTables::requirePocket(ControllerFamily& tables, const std::string& pocketId) {
    const std::string id = trimmedId(pocketId);
    if (!idNumber(id) || !tables.hasPocket(id))
        throw std::invalid_argument("Invalid argument: Pocket id " + pocketId + " does not exist in pocket table");
    return id;
}

std::string SessionTables::getLinkedToolId(const std::string& pocketId) {
    auto tables = context_.family.get();
    return tables->toolInPocket(requirePocket(*tables, pocketId));
}

void SessionTables::refuseSecondPocket(ControllerFamily& tables, const std::string& toolId,
                                       const std::string& pocketId) {
    const std::string holder = tables.pocketOfTool(toolId);
    if (!holder.empty() && holder != pocketId) {
        throw std::invalid_argument("Invalid argument: Tool " + toolId + " is already in pocket " + holder);
    }
}

void SessionTables::linkToolToPocketTable(const std::string& pocketId, const std::string& toolId) {
    auto tables = context_.family.get();
    auto allocating = tables->allocating("linkToolToPocketTable");
    const std::string pocket = requirePocket(*tables, pocketId);
    const std::string tool = toolIdArgument(toolId);
    if (!data_.dataPathExists(toolRowPath(tool)))
        throw std::invalid_argument("Invalid argument: Tool id " + tool + " does not exist in table");
    refuseSecondPocket(*tables, tool, pocket);
    tables->writePocketTool(pocket, tool);
}

void SessionTables::unlinkToolFromPocketTable(const std::string& pocketId) {
    if (pocketId.empty()) return;
    auto tables = context_.family.get();
    auto allocating = tables->allocating("unlinkToolFromPocketTable");
    tables->clearPocket(requirePocket(*tables, pocketId));
}

void SessionTables::unlinkFromAllPockets(ControllerFamily& tables, const std::string& toolId) {
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

TableRow SessionTables::getToolTableRowByPocketId(const std::string& pocketId) {
    const std::string toolId = getLinkedToolId(pocketId);
    TableRow row;
    if (!toolId.empty()) row = getToolTableRow(toolId);
    row["P"] = trimmedId(pocketId);
    return row;
}

void SessionTables::setLinkedToolTableRow(const std::string& pocketId, const TableRow& row) {
    auto tables = context_.family.get();
    auto allocating = tables->allocating("setLinkedToolTableRow");
    setLinkedRow(*tables, pocketId, row);
}

void SessionTables::setLinkedRow(ControllerFamily& tables, const std::string& pocketId, const TableRow& row) {
    logInformation("setLinkedToolTableRow", context_.name + ": " + pocketId);
    const std::string pocket = requirePocket(tables, pocketId);
    const std::string toolId = tables.freeToolId();
    if (toolId.empty()) throw std::runtime_error("No free tool table row available");
    refuseKeyChange(row, toolId);
    // The row first: a row the control refuses must leave the pocket free,
    // not pointing at a tool that does not exist.
    logInformation("setLinkedToolTableRow", context_.name + ": setting row in tool table");
    logInformation("setToolTableRow", context_.name + ": " + toolId);
    tables.setToolRow(toolId, row);
    logInformation("setLinkedToolTableRow", context_.name + " :linking P: " + pocket + " to T: " + toolId);
    tables.writePocketTool(pocket, toolId);
}

std::string SessionTables::addLinkedToolTableRow(const TableRow& row) {
    auto tables = context_.family.get();
    auto allocating = tables->allocating("addLinkedToolTableRow");
    logInformation("addLinkedToolTableRow", context_.name);
    const std::string pocketId = tables->freePocketId();
    // The number after the last pocket is no pocket of this magazine: it is full.
    if (pocketId.empty() || !idNumber(pocketId) || !tables->hasPocket(pocketId)) return {};
    setLinkedRow(*tables, pocketId, row);
    return pocketId;
}

void SessionTables::removeToolTableRowByPocketId(const std::string& pocketId) {
    logInformation("removeToolTableRowByPocketId", context_.name + ": " + pocketId);
    auto tables = context_.family.get();
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
