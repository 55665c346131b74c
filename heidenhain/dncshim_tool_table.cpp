// Tool rows and cells: read and written as text lines through the table
// interface on the older controls, as entries of the data tree on the others.
// Single cells are read through the data tree on every control.
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/sdk_arguments.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_paths.h"

namespace heidenhain {

TableRow DncShim::getToolTableRow(const std::string& paddedToolId) {
    const std::string toolId = trimmedId(paddedToolId);
    if (!dataPathExists(toolRowPath(toolId))) {
        throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    }
    if (usesItncTable(controllerType_.get())) return getItncTableRowByKey(PRIMARY_KEY, toolId);
    TableRow row;
    for (const auto& column : TOOL_TABLE_COLUMNS) row[column] = getToolTableCell(toolId, column);
    row[PRIMARY_KEY] = toolId;
    return row;
}

TableRow DncShim::getItncTableRowByKey(const std::string& column, const std::string& value) {
    auto rows = getItncTable(TOOL_TABLE, "WHERE " + column + " == " + value);
    if (rows.empty()) return TableRow{{column, value}};
    return std::move(rows.front());
}

std::string DncShim::getToolTableCell(const std::string& toolId, const std::string& column) {
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
    if (usesItncTable(controllerType_.get())) {
        setItncTableCell(TOOL_TABLE, TOOL_TABLE_HEADER, PRIMARY_KEY, toolId, column, value);
        return;
    }
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "setToolTableCell"), SDK_CALL_SITE);
    setValue(toolCellPath(toolId, column), value);
}

void DncShim::setToolTableRow(const std::string& givenToolId, const TableRow& row) {
    logInformation("setToolTableRow", name_ + ": " + givenToolId);
    const std::string toolId = toolIdArgument(givenToolId);
    refuseKeyChange(row, toolId);
    auto access = dataAccess_.get();
    requireInterface(guard_, dataAccessCheck(access, "setToolTableRow"), SDK_CALL_SITE);
    if (usesItncTable(controllerType_.get())) {
        // The table file leads with the key: the row need not carry it twice.
        TableRow cells = row;
        cells.erase(PRIMARY_KEY);
        setItncToolTableRow(toolId, cells);
        return;
    }
    const std::string rowPath = toolRowPath(toolId);
    // The control answers a missing row with "invalid argument": then the row
    // is added. Any other failure is reported below.
    const SdkResult found =
        guard_.call({"_dataAccess->GetDataEntry2(" + rowPath + ")", SDK_CALL_SITE, Accepted::every()}, [&] {
            std::shared_ptr<dnc::IJHDataEntry> rowEntry;
            return access->GetDataEntry2(toBSTR(rowPath), dnc::DNC_DATA_UNIT_SELECT_METRIC, dnc::VARIANT_FALSE,
                                         &rowEntry);
        });
    if (found.code == dnc::kInvalidArg) {
        addNewRowToTable(toolId);
    } else if (dnc::failed(found.code)) {
        throw std::runtime_error(
            guard_.errorMessage("_dataAccess->GetDataEntry(" + rowPath + ")", found.code, SDK_CALL_SITE));
    }
    for (const auto& [column, value] : row) {
        if (column != PRIMARY_KEY) setToolTableCell(toolId, column, value);
    }
}

void DncShim::addNewRowToTable(const std::string& newId) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "addNewRowToTable"), SDK_CALL_SITE);
    const auto primaryKeyColumn = getDataEntry2As(
        "_dataAccess->GetDataEntry2(toBSTR(primaryKeyIdent), DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
        "&primaryKeyColumn)",
        TOOL_DATA_PATH + PRIMARY_KEY);
    std::shared_ptr<dnc::IJHDataEntry> newRecord;
    guard_.run({"primaryKeyColumn->add_child(toBSTR(newId), &newRecord)", SDK_CALL_SITE},
               [&] { return primaryKeyColumn->add_child(toBSTR(newId), &newRecord); });
    std::shared_ptr<dnc::IJHDataEntry> primaryKeyField;
    guard_.run({"newRecord->add_child(toBSTR(PRIMARY_KEY), &primaryKeyField)", SDK_CALL_SITE},
               [&] { return newRecord->add_child(toBSTR(PRIMARY_KEY), &primaryKeyField); });
    const dnc::Variant newIdValue(newId);
    guard_.run(
        {"primaryKeyField->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, newIdValue, false)", SDK_CALL_SITE}, [&] {
            return primaryKeyField->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, newIdValue, dnc::VARIANT_FALSE);
        });
}

}  // namespace heidenhain
