// Tables and data values of the newer controls, all of them entries of the data tree.
#include "heidenhain/tables/data_tree_family.h"

#include <stdexcept>

#include "heidenhain/cnc/session_data.h"
#include "heidenhain/sdk/sdk_arguments.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/free_ids.h"
#include "heidenhain/tables/table_ids.h"
#include "heidenhain/tables/table_paths.h"
#include "heidenhain/tables/tool_table_columns.h"

namespace heidenhain {
namespace {

// The data property kind of a cell's initial value.
constexpr std::int32_t kInitialValueKind = 9;

// Hands every child entry of `entry` to `visit`, each step guarded under its call name.
template <class Visit>
void forEachChild(SdkGuard& guard, dnc::IJHDataEntry& entry, const char* listCall, const char* countCall,
                  const char* itemCall, Visit&& visit) {
    std::shared_ptr<dnc::IJHDataEntryList> list;
    guard.run({listCall, SDK_CALL_SITE}, [&] { return entry.GetChildList(&list); });
    std::int32_t count = 0;
    guard.run({countCall, SDK_CALL_SITE}, [&] { return list->get_Count(&count); });
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> child;
        guard.run({itemCall, SDK_CALL_SITE}, [&] { return list->get_Item(i, &child); });
        visit(*child);
    }
}

// What a cell without an initial value is cleared to.
dnc::Variant clearedValue(const dnc::Variant& current) {
    switch (current.vt()) {
        case dnc::VT_R8: return dnc::Variant(0.0);
        case dnc::VT_BSTR: return dnc::Variant(std::string());
        case dnc::VT_INT: return dnc::Variant::fromSigned(dnc::VT_INT, 0);
        case dnc::VT_UINT: return dnc::Variant::fromUnsigned(dnc::VT_UINT, 0);
        default: return current;
    }
}

// Puts a cell back to its initial value, or where it has none, to the
// zero of its type; written when the row's tree is written back.
void resetCell(SdkGuard& guard, dnc::IJHDataEntry& dataEntry) {
    // Its answer only tells whether the cell has an initial value.
    // A lost link is not "no initial value": it schedules the disconnect and fails.
    const dnc::HRESULT hasInitial =
        guard
            .call({"dataEntry->ReadPropertyValue", SDK_CALL_SITE, Accepted::every(), OnLostLink::Disconnect},
                  [&] { return dataEntry.ReadPropertyValue(kInitialValueKind); })
            .code;
    dnc::Variant variant;
    guard.run({"dataEntry->get_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, &variant)", SDK_CALL_SITE},
              [&] { return dataEntry.get_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &variant); });
    if (dnc::succeeded(hasInitial)) {
        dnc::Variant variant_initial;
        guard.run(
            {"dataEntry->get_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_INITIALVALUE, &variant_initial)",
             SDK_CALL_SITE},
            [&] { return dataEntry.get_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_INITIALVALUE, &variant_initial); });
        variant = variant_initial;
    } else {
        variant = clearedValue(variant);
    }
    guard.run({"dataEntry->put_propertyValue( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, variant)", SDK_CALL_SITE},
              [&] { return dataEntry.put_propertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, variant); });
}

// A tool without an index stands for all its indexed rows, 0 to 9.
std::string removalPath(const std::string& toolId) {
    if (toolId.find('.') != std::string::npos) return toolRowPath(toolId);
    return toolRowPath("'" + toolId + ".0-" + toolId + ".9'");
}

}  // namespace

bool DataTreeFamily::beginMonitorCycle(ProgramEvents&) {
    if (context_.accessModeSet) return true;
    // Once per connect: every cycle would flood the log, none would leave the monitor silent.
    if (!context_.accessModeNoticeGiven.exchange(true)) {
        logInformation(
            "oneMonitorToolTableCall",
            context_.name + ": oneMonitorToolTableCall: called without AccessMode (passwords) set, ignoring");
    }
    return false;
}

dnc::Variant DataTreeFamily::readValue(const std::string& dataPath) {
    dnc::Variant value;
    auto dataEntry = data_.getDataEntry2(dataPath, true);
    // The SDK gives a text here; any other type reads by the same rules.
    context_.guard.run({"dataEntry->GetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, &value)", SDK_CALL_SITE},
                       [&] { return dataEntry->GetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &value); });
    return value;
}

std::vector<std::string> DataTreeFamily::listValues(const std::string& dataPath) {
    if (!context_.accessModeSet) {
        logInformation("getValues", context_.name + ": getValues: called without AccessMode (passwords) set, ignoring");
        return {};
    }
    auto dataEntry = data_.getDataEntry2(dataPath, true);
    std::shared_ptr<dnc::IJHDataEntryList> list;
    context_.guard.run({"dataEntry->GetChildList(&dataEntryList)", SDK_CALL_SITE},
                       [&] { return dataEntry->GetChildList(&list); });
    return data_.childNames(*list, "dataEntryList->get_Count(&count)", "dataEntryList->get_Item(index, &entry)");
}

void DataTreeFamily::writeValue(const std::string& dataPath, const dnc::Variant& newer, const OlderValue&) {
    writeNewer(dataPath, newer);
}

void DataTreeFamily::writeNewer(const std::string& dataPath, const dnc::Variant& value) {
    auto& guard = context_.guard;
    auto dataEntry = data_.getDataEntry2(dataPath, false);
    // Found disconnected once the lock is held, the write has a text of its own.
    if (!guard.isConnected())
        throw std::runtime_error(SdkGuard::notConnectedMessage("dataEntry->SetPropertyValue", SDK_CALL_SITE));
    const SdkResult written = guard.call(
        {"dataEntry->SetPropertyValue", SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
        [&] { return dataEntry->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, value, dnc::VARIANT_TRUE); });
    if (written.linkLost()) {
        throw std::runtime_error(
            guard.errorMessage("dataEntry->SetPropertyValue(dataPath=" + dataPath + ")", written.code, SDK_CALL_SITE));
    }
    if (written.ended)
        throw std::runtime_error("Unexpected online call writing to " + dataPath + " - already disconnected");
    if (written.code == dnc::kRecordLocked)
        throw std::runtime_error("Writing to " + dataPath + " failed - record is locked");
    if (dnc::failed(written.code)) {
        throw std::runtime_error(
            guard.errorMessage("dataEntry->SetPropertyValue(dataPath=" + dataPath + ")", written.code, SDK_CALL_SITE));
    }
}

std::vector<std::string> DataTreeFamily::tableListing(const std::string& columnPath) {
    // Without it the control lists nothing: an empty magazine or a full
    // tool table would be answered for tables that are neither.
    if (!context_.accessModeSet) {
        throw std::runtime_error(
            "The tool and pocket tables cannot be read without an access mode: call "
            "setAccessMode first");
    }
    return data_.getValues(columnPath);
}

std::vector<TableRow> DataTreeFamily::toolTable(ReadFor) {
    const std::vector<std::string> ids = toolIds();
    std::vector<TableRow> rows(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) rows[i]["T"] = ids[i];
    for (const auto& column : TOOL_TABLE_COLUMNS) {
        const std::vector<std::string> cells = data_.getValues(TOOL_DATA_PATH + column);
        // A column list shorter than the ids leaves the missing cells absent.
        for (std::size_t i = 0; i < rows.size() && i < cells.size(); ++i) rows[i][column] = cells[i];
    }
    return rows;
}

std::vector<std::string> DataTreeFamily::toolIds() { return tableListing(TOOL_DATA_PATH + PRIMARY_KEY); }

TableRow DataTreeFamily::toolRow(const std::string& toolId) {
    TableRow row;
    for (const auto& column : TOOL_TABLE_COLUMNS) row[column] = toolCell(toolId, column);
    row[PRIMARY_KEY] = toolId;
    return row;
}

void DataTreeFamily::setToolCell(const std::string& toolId, const std::string& column, const std::string& value) {
    requireInterface(context_.guard, data_.dataAccessCheck(context_.dataAccess.get(), "setToolTableCell"),
                     SDK_CALL_SITE);
    data_.setValue(toolCellPath(toolId, column), value);
}

void DataTreeFamily::setToolRow(const std::string& toolId, const TableRow& row) {
    auto access = context_.dataAccess.get();
    auto& guard = context_.guard;
    const std::string rowPath = toolRowPath(toolId);
    // The control answers a missing row with "invalid argument": then the row
    // is added. Any other failure is reported below.
    const SdkResult found =
        guard.call({"_dataAccess->GetDataEntry2(" + rowPath + ")", SDK_CALL_SITE, Accepted::every()}, [&] {
            std::shared_ptr<dnc::IJHDataEntry> rowEntry;
            return access->GetDataEntry2(toBSTR(rowPath), dnc::DNC_DATA_UNIT_SELECT_METRIC, dnc::VARIANT_FALSE,
                                         &rowEntry);
        });
    if (found.code == dnc::kInvalidArg) {
        addNewRow(toolId);
    } else if (dnc::failed(found.code)) {
        throw std::runtime_error(
            guard.errorMessage("_dataAccess->GetDataEntry(" + rowPath + ")", found.code, SDK_CALL_SITE));
    }
    for (const auto& [column, value] : row) {
        if (column != PRIMARY_KEY) setToolCell(toolId, column, value);
    }
}

void DataTreeFamily::addNewRow(const std::string& newId) {
    auto& guard = context_.guard;
    requireInterface(guard, data_.dataAccessCheck(context_.dataAccess.get(), "addNewRowToTable"), SDK_CALL_SITE);
    const auto primaryKeyColumn = data_.getDataEntry2As(
        "_dataAccess->GetDataEntry2(toBSTR(primaryKeyIdent), DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
        "&primaryKeyColumn)",
        TOOL_DATA_PATH + PRIMARY_KEY);
    std::shared_ptr<dnc::IJHDataEntry> newRecord;
    guard.run({"primaryKeyColumn->add_child(toBSTR(newId), &newRecord)", SDK_CALL_SITE},
              [&] { return primaryKeyColumn->add_child(toBSTR(newId), &newRecord); });
    std::shared_ptr<dnc::IJHDataEntry> primaryKeyField;
    guard.run({"newRecord->add_child(toBSTR(PRIMARY_KEY), &primaryKeyField)", SDK_CALL_SITE},
              [&] { return newRecord->add_child(toBSTR(PRIMARY_KEY), &primaryKeyField); });
    const dnc::Variant newIdValue(newId);
    guard.run(
        {"primaryKeyField->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, newIdValue, false)", SDK_CALL_SITE}, [&] {
            return primaryKeyField->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, newIdValue, dnc::VARIANT_FALSE);
        });
}

void DataTreeFamily::clearToolRow(const std::string& toolId) {
    requireInterface(context_.guard, data_.dataAccessCheck(context_.dataAccess.get(), "clearToolTableRow"),
                     SDK_CALL_SITE);
    const std::string rowPath = toolRowPath(toolId);
    if (!data_.dataPathExists(rowPath)) {
        throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    }
    resetRow(rowPath);
}

void DataTreeFamily::resetRow(const std::string& rowPath) {
    auto& guard = context_.guard;
    requireInterface(guard, data_.dataAccessCheck(context_.dataAccess.get(), "clearTableRowDataEntry2"), SDK_CALL_SITE);
    const auto rowDataEntry = data_.getDataEntry2As(
        "_dataAccess->GetDataEntry2( toBSTR(dataPath), HeidenhainDNCLib::DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
        "&rowDataEntry)",
        rowPath);
    forEachChild(guard, *rowDataEntry, "rowDataEntry->GetChildList(&dataEntryList)", "dataEntryList->get_Count(&count)",
                 "dataEntryList->get_Item(i, &dataEntry)", [&](dnc::IJHDataEntry& dataEntry) {
                     std::string nameB;
                     guard.run({"dataEntry->get_bstrName(&nameB)", SDK_CALL_SITE},
                               [&] { return dataEntry.get_bstrName(&nameB); });
                     if (nameB != PRIMARY_KEY) resetCell(guard, dataEntry);
                 });
    guard.run({"rowDataEntry->WriteTreeValues(VARIANT_TRUE)", SDK_CALL_SITE},
              [&] { return rowDataEntry->WriteTreeValues(dnc::VARIANT_TRUE); });
}

void DataTreeFamily::removeToolRow(const std::string& toolId) {
    logInformation("removeToolTableRow", context_.name + " removeToolTableRow " + toolId);
    requireInterface(context_.guard, data_.dataAccessCheck(context_.dataAccess.get(), "removeToolTableRow"),
                     SDK_CALL_SITE);
    const std::string dataPath = removalPath(toolId);
    if (!data_.dataPathExists(dataPath)) {
        throw std::invalid_argument("Invalid argument: Tool id " + toolId +
                                    " to be removed but does not exist in table");
    }
    deleteRows(dataPath);
}

void DataTreeFamily::deleteRows(const std::string& dataPath) {
    auto& guard = context_.guard;
    const auto rowEntry = data_.getDataEntry2As(
        "_dataAccess->GetDataEntry2(toBSTR(dataPath), DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, &rowEntry)",
        dataPath);
    guard.run({"rowEntry->ReadTreeValues(DNC_DATAENTRY_PROPKIND_DATA)", SDK_CALL_SITE},
              [&] { return rowEntry->ReadTreeValues(dnc::DNC_DATAENTRY_PROPKIND_DATA); });
    // A range of rows has no key of its own: then each row's key is nulled.
    std::shared_ptr<dnc::IJHDataEntry> field;
    const dnc::HRESULT keyAnswer =
        guard
            .call({"rowEntry->get_child(toBSTR(PRIMARY_KEY), &field)", SDK_CALL_SITE, {dnc::kNoValidItem}},
                  [&] { return rowEntry->get_child(toBSTR(PRIMARY_KEY), &field); })
            .code;
    if (keyAnswer != dnc::kNoValidItem) {
        guard.run({"field->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, VARIANT_NULL, false)", SDK_CALL_SITE}, [&] {
            return field->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, dnc::Variant::null(), dnc::VARIANT_FALSE);
        });
        return;
    }
    forEachChild(
        guard, *rowEntry, "rowEntry->GetChildList(&foundRows)", "foundRows->get_Count(&count)",
        "foundRows->get_Item(i, &item)", [&](dnc::IJHDataEntry& item) {
            guard.run({"item->SetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, VARIANT_NULL, false)", SDK_CALL_SITE}, [&] {
                return item.SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, dnc::Variant::null(),
                                             dnc::VARIANT_FALSE);
            });
        });
}

std::string DataTreeFamily::freeToolId() {
    return firstFreeToolId(toolIds(), [this](const std::string& id) { return !toolCell(id, "NAME").empty(); });
}

std::vector<TableRow> DataTreeFamily::pocketTable(ReadFor) {
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

std::vector<std::string> DataTreeFamily::pocketIds() { return tableListing(POCKET_DATA_PATH + "P"); }

bool DataTreeFamily::hasPocket(const std::string& pocketId) { return data_.dataPathExists(pocketToolPath(pocketId)); }

std::string DataTreeFamily::toolInPocket(const std::string& pocketId) {
    return trimmedId(data_.getValue(pocketToolPath(pocketId)));
}

std::string DataTreeFamily::pocketOfTool(const std::string& toolId) {
    const std::string path = pocketOfToolPath(toolId);
    return data_.dataPathExists(path) ? trimmedId(data_.getValue(path)) : std::string();
}

std::string DataTreeFamily::freePocketId() {
    for (const auto& id : pocketIds()) {
        const auto number = idNumber(id);
        if (number && *number > 0 && toolInPocket(trimmedId(id)).empty()) return trimmedId(id);
    }
    return {};
}

void DataTreeFamily::writePocketTool(const std::string& pocketId, const std::string& toolId) {
    requireInterface(context_.guard, data_.dataAccessCheck(context_.dataAccess.get(), "linkToolToPocketTable"),
                     SDK_CALL_SITE);
    data_.setValue(pocketToolPath(pocketId), toolId);
}

void DataTreeFamily::clearPocket(const std::string& pocketId) { writePocketTool(pocketId, ""); }

}  // namespace heidenhain
