// Tables and data values of the older controls, through the table interface
// and the entries' data properties.
#include "heidenhain/tables/table_interface_family.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "heidenhain/cnc/session_data.h"
#include "heidenhain/cnc/session_files.h"
#include "heidenhain/events/program_events.h"
#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/free_ids.h"
#include "heidenhain/tables/table_ids.h"
#include "heidenhain/tables/table_paths.h"
#include "heidenhain/tables/table_pocket_file.h"
#include "heidenhain/text/std_texts.h"
#include "platform/log.h"
#include "platform/temp_file.h"

namespace heidenhain {
namespace {

constexpr const char* kTmpDirectory = "tmp";

InterfaceCheck itncTableCheck(const std::shared_ptr<dnc::IJHItncTable>& table, const char* function) {
    return {"ItncTable", table != nullptr, function};
}

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

// The answers of GetDataEntry for a pocket cell that is not there to write.
constexpr Accepted kCellRefused{dnc::kFail};
constexpr Accepted kCellMissingOrRefused{dnc::kBadParameter, dnc::kFail};

}  // namespace

TableInterfaceFamily::TableInterfaceFamily(SessionContext& context, SessionData& data, SessionFiles& files)
    : ControllerFamily(context, data), files_(files) {}

void TableInterfaceFamily::obtainInterfaces(SessionInterfaces& interfaces) { interfaces.obtainTableInterface(); }

bool TableInterfaceFamily::beginMonitorCycle(ProgramEvents& programEvents) {
    return programEvents.pollProgramStatus();
}

void TableInterfaceFamily::refuseAccessMode() const {
    throw std::runtime_error("Call DataAccess::SetAccessMode is not implemented for iTNC controller " + context_.name);
}

dnc::Variant TableInterfaceFamily::readValue(const std::string& dataPath) {
    dnc::Variant value;
    auto property = data_.dataPropertyOf(*data_.getDataEntry(dataPath));
    context_.guard.run({"property->get_varValue(&value)", SDK_CALL_SITE},
                       [&] { return property->get_varValue(&value); });
    return value;
}

std::vector<std::string> TableInterfaceFamily::listValues(const std::string& dataPath) {
    auto dataEntry = data_.getDataEntry(dataPath);
    std::shared_ptr<dnc::IJHDataEntryList> list;
    context_.guard.run({"dataEntry->get_childList(&childList)", SDK_CALL_SITE},
                       [&] { return dataEntry->get_childList(&list); });
    return data_.childNames(*list, "childList->get_Count(&count)", "childList->get_Item(i, &entry)");
}

void TableInterfaceFamily::writeValue(const std::string& dataPath, const dnc::Variant&, const OlderValue& valueFor) {
    auto& guard = context_.guard;
    auto dataEntry = data_.getDataEntry(dataPath);
    std::shared_ptr<dnc::IJHDataEntryPropertyList> propertyList;
    guard.run({"dataEntry->get_propertyList(&propertyList)", SDK_CALL_SITE},
              [&] { return dataEntry->get_propertyList(&propertyList); });
    std::shared_ptr<dnc::IJHDataEntryProperty> property;
    guard.run({"propertyList->get_property( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, &property)", SDK_CALL_SITE},
              [&] { return propertyList->get_property(dnc::DNC_DATAENTRY_PROPKIND_DATA, &property); });
    dnc::VariantBool readOnly = dnc::VARIANT_FALSE;
    guard.run({"property->get_readOnly(&readOnly)", SDK_CALL_SITE}, [&] { return property->get_readOnly(&readOnly); });
    // Skipping the write in silence would answer success for a value that never changed.
    if (readOnly != dnc::VARIANT_FALSE)
        throw std::runtime_error("Writing to " + dataPath + " failed - entry is protected");
    dnc::Variant origVariant;
    guard.run({"property->get_varValue(&origVariant)", SDK_CALL_SITE},
              [&] { return property->get_varValue(&origVariant); });
    const dnc::Variant variant = valueFor(origVariant);
    guard.run({"property->put_varValue(variant)", SDK_CALL_SITE}, [&] { return property->put_varValue(variant); });
}

void TableInterfaceFamily::endTableRead(const SdkResult& ended, const std::string& call, const char* lostAt,
                                        ReadFor reader, CallSite site) {
    if (ended.linkLost()) {
        logWarning("getItncTable",
                   context_.name + ": Connection to CNC lost at " + lostAt + " (0x" + hexCode(ended.code) + ").");
        context_.scheduleDisconnect();
    }
    // Only the monitor takes "no rows" for an answer: a client would read an
    // empty magazine or a tool without geometry.
    if (reader == ReadFor::Monitor) return;
    if (ended.linkLost()) throw std::runtime_error(context_.guard.errorMessage(call, ended.code, site));
    throw std::runtime_error(SdkGuard::notConnectedMessage(call, site));
}

std::vector<TableRow> TableInterfaceFamily::getItncTable(const std::string& tableName, const std::string& query,
                                                         ReadFor reader) {
    auto& guard = context_.guard;
    const auto table = context_.itncTable.get();
    requireInterface(guard, itncTableCheck(table, "getItncTable"), SDK_CALL_SITE);
    std::vector<std::string> lines;
    const std::string call = "_itncTable->ReceiveTableLines(" + tableName + ")";
    const SdkResult received = guard.call({call, SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
                                          [&] { return table->ReceiveTableLines(tableName, query, &lines); });
    if (received.ended) {
        endTableRead(received, call, "ReceiveTableLines", reader, SDK_CALL_SITE);
        return {};
    }
    // A client does not take lines that the control gave while the link went.
    if (reader == ReadFor::Client && !guard.isConnected())
        throw std::runtime_error(SdkGuard::lostAfterCallMessage(call, SDK_CALL_SITE));
    if (received.code == dnc::kRecordNotAvailable) return {};
    if (dnc::failed(received.code))
        throw std::runtime_error(guard.errorMessage("_itncTable->ReceiveTableLines", received.code, SDK_CALL_SITE));

    const auto layout = tableName == POCKET_TABLE ? std::optional<LineLayout>(pocketLineLayout())
                                                  : tableLayout(*table, tableName, query, reader);
    if (!layout) return {};
    std::vector<TableRow> rows;
    rows.reserve(lines.size());
    for (const auto& line : lines) rows.push_back(rowOfLine(line, *layout));
    return rows;
}

std::optional<LineLayout> TableInterfaceFamily::tableLayout(dnc::IJHItncTable& table, const std::string& tableName,
                                                            const std::string& query, ReadFor reader) {
    std::vector<std::string> titles;
    std::vector<std::int32_t> positions;
    const std::string call = "_itncTable->GetTableInfo(" + tableName + ")";
    const SdkResult answered = context_.guard.call({call, SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
                                                   [&] { return table.GetTableInfo(tableName, &titles, &positions); });
    if (answered.ended) {
        endTableRead(answered, call, "GetTableInfo", reader, SDK_CALL_SITE);
        return std::nullopt;
    }
    if (dnc::failed(answered.code))
        throw std::runtime_error(context_.guard.errorMessage("GetTableInfo", answered.code, SDK_CALL_SITE));
    auto layout = layoutOfTableInfo(titles, positions);
    // Without titles, or with fewer positions than titles, no line can be cut.
    if (titles.empty() || !usable(layout)) {
        logError("getItncTable",
                 context_.name + " Internal error on column sizes: numColumnTitles=" + std::to_string(layout.columns) +
                     ", numColumnPos=" + std::to_string(positions.size()) + ", columns.size=" +
                     std::to_string(layout.entries.size()) + ", tableName=" + tableName + ", query=" + query);
        throw std::runtime_error("Internal Error on reading table entries");
    }
    return layout;
}

std::vector<TableRow> TableInterfaceFamily::readPocketTable(ReadFor reader) {
    return getItncTable(POCKET_TABLE, "WHERE T >= 0", reader);
}

std::vector<TableRow> TableInterfaceFamily::getCachedItncTable(const std::string& tableName, const std::string& query,
                                                               ReadFor reader) {
    if (tableName != POCKET_TABLE && tableName != TOOL_TABLE) return getItncTable(tableName, query, reader);
    // The pocket table is read whole whatever the query.
    const bool pockets = tableName == POCKET_TABLE;
    auto held = context_.guard.lock(cacheMutex_, pockets ? "getItncTable(POCKET_TABLE)" : "getItncTable(TOOL_TABLE)",
                                    SDK_CALL_SITE);
    TableCache& cache = caches_[{tableName, pockets ? std::string() : query}];
    if (auto rows = cache.fresh()) return *rows;
    auto rows = pockets ? readPocketTable(reader) : getItncTable(TOOL_TABLE, query, reader);
    cache.store(rows);
    return rows;
}

void TableInterfaceFamily::clearCache() {
    auto held = context_.guard.lock(cacheMutex_, "clearItncTableCache(POCKET_TABLE)", SDK_CALL_SITE);
    caches_.clear();
}

void TableInterfaceFamily::setItncTableRow(const std::string& tableName, const std::string& header,
                                           const std::string& keyColumn, const std::string& keyValue,
                                           const TableRow& row) {
    const auto table = context_.itncTable.get();
    requireInterface(context_.guard, itncTableCheck(table, "setItncTableRow"), SDK_CALL_SITE);
    const std::string text = tableFileText(header, keyColumn, keyValue, row);
    // The file goes with this object, also when the control refuses it.
    std::optional<platform::TempFile> file;
    try {
        file.emplace(kTmpDirectory, "table-", ".tmp");
    } catch (const std::system_error&) {
        throw std::runtime_error("error on tmpnam_s");
    }
    {
        std::ofstream out(file->path(), std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        // A cut-off file would reach the control as a row with missing cells.
        if (!out) throw std::runtime_error("Cannot write temporary table file " + file->path());
    }
    context_.guard.run({"_itncTable->TransmitTablePart(toBSTR(tmpFileName), toBSTR(tableName))", SDK_CALL_SITE},
                       [&] { return table->TransmitTablePart(file->path(), tableName); });
    file.reset();
    clearCache();
}

void TableInterfaceFamily::setItncTableCell(const std::string& tableName, const std::string& header,
                                            const std::string& keyColumn, const std::string& keyValue,
                                            const std::string& column, const std::string& value) {
    setItncTableRow(tableName, header, keyColumn, keyValue, TableRow{{column, value}});
}

void TableInterfaceFamily::deleteItncToolTableRow(const std::string& toolId) {
    logInformation("deleteItncToolTableRow", context_.name + ": " + toolId);
    // The id becomes part of the control's query: "1 OR T > 0" would delete every row.
    const std::string id = toolIdArgument(toolId);
    const auto table = context_.itncTable.get();
    requireInterface(context_.guard, itncTableCheck(table, "deleteItncToolTableRow"), SDK_CALL_SITE);
    context_.guard.run({"_itncTable->DeleteRecord(bstrTablePath, bstrQuery)", SDK_CALL_SITE},
                       [&] { return table->DeleteRecord(TOOL_TABLE, "WHERE T == " + id); });
    clearCache();
}

std::vector<TableRow> TableInterfaceFamily::toolTable(ReadFor reader) {
    return getItncTable(TOOL_TABLE, "WHERE T >= 0", reader);
}

std::vector<std::string> TableInterfaceFamily::toolIds() {
    std::vector<std::string> ids;
    for (const auto& row : getCachedItncTable(TOOL_TABLE, "WHERE T >= 0"))
        ids.push_back(trimmedId(cellOf(row, PRIMARY_KEY)));
    return ids;
}

TableRow TableInterfaceFamily::rowByKey(const std::string& column, const std::string& value) {
    auto rows = getItncTable(TOOL_TABLE, "WHERE " + column + " == " + value);
    if (rows.empty()) return TableRow{{column, value}};
    return std::move(rows.front());
}

TableRow TableInterfaceFamily::toolRow(const std::string& toolId) { return rowByKey(PRIMARY_KEY, toolId); }

void TableInterfaceFamily::setToolCell(const std::string& toolId, const std::string& column, const std::string& value) {
    setItncTableCell(TOOL_TABLE, TOOL_TABLE_HEADER, PRIMARY_KEY, toolId, column, value);
}

void TableInterfaceFamily::setToolRow(const std::string& toolId, const TableRow& row) {
    // The table file leads with the key: the row need not carry it twice.
    TableRow cells = row;
    cells.erase(PRIMARY_KEY);
    setItncTableRow(TOOL_TABLE, TOOL_TABLE_HEADER, PRIMARY_KEY, toolId, cells);
}

void TableInterfaceFamily::clearToolRow(const std::string& toolId) { deleteItncToolTableRow(toolId); }

void Tnc426Family::clearToolRow(const std::string& toolId) {
    requireInterface(context_.guard, itncTableCheck(context_.itncTable.get(), "clearTNC426ToolTableRow"),
                     SDK_CALL_SITE);
    TableRow row = rowByKey(PRIMARY_KEY, toolId);
    if (row.size() <= 1)
        throw std::invalid_argument("Invalid argument: Tool id " + toolId + " does not exist in table");
    // The table file leads with the key: the row need not carry it twice.
    row.erase(PRIMARY_KEY);
    for (auto& [column, value] : row) value.clear();
    // The control refuses these columns blank.
    for (const auto& [column, preset] : {std::pair{"NMAX", "-"}, {"TT:R-OFFS", "R"}, {"DIRECT.", "-"}}) {
        if (const auto cell = row.find(column); cell != row.end()) cell->second = preset;
    }
    setItncTableRow(TOOL_TABLE, TOOL_TABLE_HEADER, PRIMARY_KEY, toolId, row);
}

// The TNC 426 cannot delete a row: removing a tool clears it.
void TableInterfaceFamily::removeToolRow(const std::string& toolId) { clearToolRow(toolId); }

std::string TableInterfaceFamily::freeToolId() {
    return firstFreeToolRow(getCachedItncTable(TOOL_TABLE, "WHERE T > 0"));
}

std::vector<TableRow> TableInterfaceFamily::pocketTable(ReadFor reader) {
    return getCachedItncTable(POCKET_TABLE, "", reader);
}

std::vector<std::string> TableInterfaceFamily::pocketIds() {
    std::vector<std::string> ids;
    for (const auto& row : getCachedItncTable(POCKET_TABLE)) ids.push_back(trimmedId(cellOf(row, "P")));
    return ids;
}

bool TableInterfaceFamily::hasPocket(const std::string& pocketId) {
    const auto rows = getCachedItncTable(POCKET_TABLE);
    return std::any_of(rows.begin(), rows.end(),
                       [&](const TableRow& row) { return trimmedId(cellOf(row, "P")) == pocketId; });
}

std::string TableInterfaceFamily::toolInPocket(const std::string& pocketId) {
    return cellWhere(getCachedItncTable(POCKET_TABLE), "P", pocketId, "T");
}

std::string TableInterfaceFamily::pocketOfTool(const std::string& toolId) {
    return cellWhere(getCachedItncTable(POCKET_TABLE), "T", toolId, "P");
}

std::string TableInterfaceFamily::freePocketId() { return firstFreePocketRow(getCachedItncTable(POCKET_TABLE)); }

void TableInterfaceFamily::writePocketTool(const std::string& pocketId, const std::string& toolId) {
    setPocketCell(pocketId, "T", toolId);
}

void TableInterfaceFamily::clearPocket(const std::string& pocketId) {
    // The pocket file drops the space: the control receives a blank T.
    writePocketTool(pocketId, " ");
}

void Tnc426Family::clearPocket(const std::string& pocketId) {
    auto property =
        pocketCell(tnc426PocketCellPath(pocketId, "T"), "unlinkToolFromPocketTable", kCellMissingOrRefused);
    if (!property) return;
    dnc::Variant variant;
    context_.guard.run({"property->get_varValue(&variant)", SDK_CALL_SITE},
                       [&] { return property->get_varValue(&variant); });
    variant.clear();
    context_.guard.run({"property->put_varValue(variant)", SDK_CALL_SITE},
                       [&] { return property->put_varValue(variant); });
    clearCache();
}

void TableInterfaceFamily::setPocketCell(const std::string& pocketId, const std::string& column,
                                         const std::string& value) {
    setItncTableCell(POCKET_TABLE, POCKET_TABLE_HEADER, "P", pocketId, column, value);
    clearCache();
}

void Tnc426Family::setPocketCell(const std::string& pocketId, const std::string& column, const std::string& value) {
    auto property = pocketCell(tnc426PocketCellPath(pocketId, column), "setPocketTableCell", kCellRefused);
    if (!property) {
        platform::logInformation("Pocketid is already an empty row");
        return;
    }
    const dnc::Variant variant(static_cast<std::int32_t>(parseInt(value)));
    context_.guard.run({"property->put_varValue(variant)", SDK_CALL_SITE},
                       [&] { return property->put_varValue(variant); });
    clearCache();
}

std::shared_ptr<dnc::IJHDataEntryProperty> Tnc426Family::pocketCell(const std::string& path, const char* function,
                                                                    const Accepted& absent) {
    // The data tree is this control's second interface: without it there is
    // nothing to write through.
    auto access = context_.dataAccess.get();
    requireInterface(context_.guard, data_.dataAccessCheck(access, function), SDK_CALL_SITE);
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    const SdkResult found = context_.guard.call({"dataAccess->GetDataEntry(" + path + ")", SDK_CALL_SITE, absent},
                                                [&] { return access->GetDataEntry(path, &dataEntry); });
    if (dnc::failed(found.code)) return nullptr;
    return data_.dataPropertyOf(*dataEntry);
}

std::vector<TableRow> Tnc426Family::readPocketTable(ReadFor) {
    return convertTNC426PocketTableBuffer(files_.receiveFileBinary(POCKET_TABLE)).rows;
}

void Tnc426Family::refuseUnoffered(const std::string& function) const {
    const std::string message = "Method " + function + " not available for controller type tnc426";
    logInformation(function, context_.name + ": " + message);
    throw std::runtime_error(message);
}

}  // namespace heidenhain
