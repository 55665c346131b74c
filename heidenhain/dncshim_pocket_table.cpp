// The pocket table and which tool sits in which pocket: read through the
// cached table interface on the older controls and through the data tree on
// the others; the TNC 426 writes its pocket cells through the data tree.
#include <algorithm>
#include <iostream>
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/free_ids.h"
#include "heidenhain/std_texts.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {
namespace {

// The cell of `wanted` in the first row whose `key` cell is the id `value`
// (blanks around either ignored); empty when no row has it.
std::string cellWhere(const std::vector<TableRow>& rows, const std::string& key, const std::string& value,
                      const std::string& wanted) {
    for (const auto& row : rows) {
        const auto cell = row.find(key);
        if (cell != row.end() && trimmedId(cell->second) == value) return trimmedId(cellOf(row, wanted));
    }
    return {};
}

bool hasPocket(const std::vector<TableRow>& rows, const std::string& pocketId) {
    return std::any_of(rows.begin(), rows.end(),
                       [&](const TableRow& row) { return trimmedId(cellOf(row, "P")) == pocketId; });
}

// The answers of GetDataEntry for a pocket cell that is not there to write.
constexpr Accepted kCellRefused{dnc::kFail};
constexpr Accepted kCellMissingOrRefused{dnc::kBadParameter, dnc::kFail};

}  // namespace

std::vector<std::string> DncShim::tableListing(const std::string& columnPath) {
    // Without it the control lists nothing: an empty magazine or a full
    // tool table would be answered for tables that are neither.
    if (!accessModeSet_) {
        throw std::runtime_error("The tool and pocket tables cannot be read without an access mode: call "
                                 "setAccessMode first");
    }
    return getValues(columnPath);
}

std::vector<TableRow> DncShim::getPocketTable() { return pocketTable(ReadFor::Client); }

std::vector<TableRow> DncShim::pocketTable(ReadFor reader) {
    if (usesItncTable(controllerType_.get())) return getCachedItncTable(POCKET_TABLE, "", reader);
    const auto ids = tableListing(POCKET_DATA_PATH + "P");
    const auto tools = tableListing(POCKET_DATA_PATH + "T");
    const auto names = tableListing(POCKET_DATA_PATH + "TNAME");
    std::vector<TableRow> rows;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        TableRow row{{"P", ids[i]}};
        // A column list shorter than the pockets leaves their cells out
        // rather than reading past its end.
        if (i < tools.size()) row["T"] = tools[i];
        if (i < names.size()) row["TNAME"] = names[i];
        rows.push_back(std::move(row));
    }
    return rows;
}

bool DncShim::pocketExists(const std::string& pocketId) {
    if (!idNumber(pocketId)) return false;
    if (usesItncTable(controllerType_.get())) return hasPocket(getCachedItncTable(POCKET_TABLE), pocketId);
    return dataPathExists(pocketToolPath(pocketId));
}

std::string DncShim::requirePocket(const std::string& pocketId) {
    const std::string id = trimmedId(pocketId);
    if (!pocketExists(id)) throw std::invalid_argument("Invalid argument: Pocket id " + pocketId + " does not exist in pocket table");
    return id;
}

std::string DncShim::getLinkedToolId(const std::string& pocketId) {
    const std::string id = requirePocket(pocketId);
    if (usesItncTable(controllerType_.get())) return cellWhere(getCachedItncTable(POCKET_TABLE), "P", id, "T");
    return trimmedId(getValue(pocketToolPath(id)));
}

std::string DncShim::getPocketIdOfTool(const std::string& toolId) {
    if (usesItncTable(controllerType_.get())) return cellWhere(getCachedItncTable(POCKET_TABLE), "T", toolId, "P");
    const std::string path = pocketOfToolPath(toolId);
    return dataPathExists(path) ? trimmedId(getValue(path)) : std::string();
}

std::vector<std::string> DncShim::getPocketIds() {
    if (!usesItncTable(controllerType_.get())) return tableListing(POCKET_DATA_PATH + "P");
    std::vector<std::string> ids;
    for (const auto& row : getCachedItncTable(POCKET_TABLE)) ids.push_back(trimmedId(cellOf(row, "P")));
    return ids;
}

void DncShim::linkToolToPocketTable(const std::string& pocketId, const std::string& toolId) {
    const std::string pocket = requirePocket(pocketId);
    const std::string tool = toolIdArgument(toolId);
    if (!dataPathExists(toolRowPath(tool)))
        throw std::invalid_argument("Invalid argument: Tool id " + tool + " does not exist in table");
    refuseSecondPocket(tool, pocket);
    writePocketTool(pocket, tool);
}

void DncShim::refuseSecondPocket(const std::string& toolId, const std::string& pocketId) {
    const std::string holder = getPocketIdOfTool(toolId);
    if (!holder.empty() && holder != pocketId) {
        throw std::invalid_argument("Invalid argument: Tool " + toolId + " is already in pocket " + holder);
    }
}

void DncShim::writePocketTool(const std::string& pocketId, const std::string& toolId) {
    if (usesItncTable(controllerType_.get())) {
        setPocketTableCell(pocketId, "T", toolId);
        return;
    }
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "linkToolToPocketTable"), SDK_CALL_SITE);
    setValue(pocketToolPath(pocketId), toolId);
}

void DncShim::unlinkToolFromPocketTable(const std::string& pocketId) {
    if (pocketId.empty()) return;
    clearPocket(requirePocket(pocketId));
}

void DncShim::clearPocket(const std::string& pocketId) {
    const std::string type = controllerType_.get();
    if (isItnc(type)) {
        // The pocket file drops the space: the control receives a blank T.
        writePocketTool(pocketId, " ");
    } else if (type == "tnc426") {
        auto property =
            tnc426PocketCell(tnc426PocketCellPath(pocketId, "T"), "unlinkToolFromPocketTable", kCellMissingOrRefused);
        if (!property) return;
        dnc::Variant variant;
        guard_.run({"property->get_varValue(&variant)", SDK_CALL_SITE},
                   [&] { return property->get_varValue(&variant); });
        variant.clear();
        guard_.run({"property->put_varValue(variant)", SDK_CALL_SITE}, [&] { return property->put_varValue(variant); });
        clearItncTableCache();
    } else {
        writePocketTool(pocketId, "");
    }
}

void DncShim::unlinkFromAllPockets(const std::string& toolId) {
    // A table edited on the control may hold the tool in several pockets.
    // Each round frees the first pocket still holding it; a pocket met twice
    // would be one that cannot be freed.
    std::vector<std::string> freed;
    for (std::string pocket = getPocketIdOfTool(toolId); !pocket.empty(); pocket = getPocketIdOfTool(toolId)) {
        if (std::find(freed.begin(), freed.end(), pocket) != freed.end()) return;
        clearPocket(pocket);
        freed.push_back(pocket);
    }
}

void DncShim::setPocketTableCell(const std::string& pocketId, const std::string& column, const std::string& value) {
    if (isItnc(controllerType_.get())) {
        setItncTableCell(POCKET_TABLE, POCKET_TABLE_HEADER, "P", pocketId, column, value);
        clearItncTableCache();
        return;
    }
    auto property = tnc426PocketCell(tnc426PocketCellPath(pocketId, column), "setPocketTableCell", kCellRefused);
    if (!property) {
        std::cout << "Pocketid is already an empty row\n" << std::flush;
        return;
    }
    const dnc::Variant variant(static_cast<std::int32_t>(parseInt(value)));
    guard_.run({"property->put_varValue(variant)", SDK_CALL_SITE}, [&] { return property->put_varValue(variant); });
    clearItncTableCache();
}

std::shared_ptr<dnc::IJHDataEntryProperty> DncShim::tnc426PocketCell(const std::string& path, const char* function,
                                                                     const Accepted& absent) {
    // The data tree is this control's second interface: without it there is
    // nothing to write through.
    auto access = dataAccess_.get();
    requireInterface(guard_, dataAccessCheck(access, function), SDK_CALL_SITE);
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    const SdkResult found = guard_.call({"dataAccess->GetDataEntry(" + path + ")", SDK_CALL_SITE, absent},
                                        [&] { return access->GetDataEntry(path, &dataEntry); });
    if (dnc::failed(found.code)) return nullptr;
    return dataPropertyOf(*dataEntry);
}

}  // namespace heidenhain
