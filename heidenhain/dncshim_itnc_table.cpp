// The fixed-width tool and pocket tables of the older controls, through the
// table interface: lines read and cut into rows, a short-lived cache in front
// of the reads, rows written as small table files, tool rows deleted.
#include <fstream>
#include <optional>
#include <stdexcept>
#include <system_error>

#include "heidenhain/controller_restriction.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/table_ids.h"
#include "heidenhain/table_pocket_file.h"
#include "heidenhain/table_text.h"
#include "platform/temp_file.h"

namespace heidenhain {
namespace {

constexpr const char* kTmpDirectory = "tmp";

InterfaceCheck itncTableCheck(const std::shared_ptr<dnc::IJHItncTable>& table, const char* function) {
    return {"ItncTable", table != nullptr, function};
}

}  // namespace

void DncShim::endTableRead(const SdkResult& ended, const std::string& call, const char* lostAt, ReadFor reader,
                           CallSite site) {
    if (ended.linkLost()) {
        logWarning("getItncTable",
                   name_ + ": Connection to CNC lost at " + lostAt + " (0x" + hexCode(ended.code) + ").");
        scheduleDisconnect();
    }
    // Only the monitor takes "no rows" for an answer: a client would read an
    // empty magazine or a tool without geometry.
    if (reader == ReadFor::Monitor) return;
    if (ended.linkLost()) throw std::runtime_error(guard_.errorMessage(call, ended.code, site));
    throw std::runtime_error(SdkGuard::notConnectedMessage(call, site));
}

std::vector<TableRow> DncShim::getItncTable(const std::string& tableName, const std::string& query) {
    return getItncTable(tableName, query, ReadFor::Client);
}

std::vector<TableRow> DncShim::getItncTable(const std::string& tableName, const std::string& query, ReadFor reader) {
    const auto table = itncTable_.get();
    requireInterface(guard_, itncTableCheck(table, "getItncTable"), SDK_CALL_SITE);
    std::vector<std::string> lines;
    const std::string call = "_itncTable->ReceiveTableLines(" + tableName + ")";
    const SdkResult received = guard_.call({call, SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
                                           [&] { return table->ReceiveTableLines(tableName, query, &lines); });
    if (received.ended) {
        endTableRead(received, call, "ReceiveTableLines", reader, SDK_CALL_SITE);
        return {};
    }
    // A client does not take lines that the control gave while the link went.
    if (reader == ReadFor::Client && !isConnected())
        throw std::runtime_error(SdkGuard::lostAfterCallMessage(call, SDK_CALL_SITE));
    if (received.code == dnc::kRecordNotAvailable) return {};
    if (dnc::failed(received.code))
        throw std::runtime_error(guard_.errorMessage("_itncTable->ReceiveTableLines", received.code, SDK_CALL_SITE));

    const auto layout = tableName == POCKET_TABLE ? std::optional<LineLayout>(pocketLineLayout())
                                                  : itncTableLayout(*table, tableName, query, reader);
    if (!layout) return {};
    std::vector<TableRow> rows;
    rows.reserve(lines.size());
    for (const auto& line : lines) rows.push_back(rowOfLine(line, *layout));
    return rows;
}

std::optional<LineLayout> DncShim::itncTableLayout(dnc::IJHItncTable& table, const std::string& tableName,
                                                   const std::string& query, ReadFor reader) {
    std::vector<std::string> titles;
    std::vector<std::int32_t> positions;
    const std::string call = "_itncTable->GetTableInfo(" + tableName + ")";
    const SdkResult answered = guard_.call({call, SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
                                           [&] { return table.GetTableInfo(tableName, &titles, &positions); });
    if (answered.ended) {
        endTableRead(answered, call, "GetTableInfo", reader, SDK_CALL_SITE);
        return std::nullopt;
    }
    if (dnc::failed(answered.code))
        throw std::runtime_error(guard_.errorMessage("GetTableInfo", answered.code, SDK_CALL_SITE));
    auto layout = layoutOfTableInfo(titles, positions);
    // Without titles, or with fewer positions than titles, no line can be cut.
    if (titles.empty() || !usable(layout)) {
        logError("getItncTable", name_ + " Internal error on column sizes: numColumnTitles=" +
                                     std::to_string(layout.columns) + ", numColumnPos=" +
                                     std::to_string(positions.size()) + ", columns.size=" +
                                     std::to_string(layout.entries.size()) + ", tableName=" + tableName +
                                     ", query=" + query);
        throw std::runtime_error("Internal Error on reading table entries");
    }
    return layout;
}

template <class Read>
std::vector<TableRow> DncShim::cachedRead(TableCache& cache, const char* call, Read&& read) {
    auto held = guard_.lock(tableCacheMutex_, call, SDK_CALL_SITE);
    if (auto rows = cache.fresh()) return *rows;
    auto rows = read();
    cache.store(rows);
    return rows;
}

std::vector<TableRow> DncShim::readPocketTable(ReadFor reader) {
    if (controllerType_.get() == "tnc426") return convertTNC426PocketTableBuffer(receiveFileBinary(POCKET_TABLE)).rows;
    return getItncTable(POCKET_TABLE, "WHERE T >= 0", reader);
}

std::vector<TableRow> DncShim::getCachedItncTable(const std::string& tableName, const std::string& query,
                                                  ReadFor reader) {
    if (tableName == POCKET_TABLE)
        return cachedRead(pocketTableCache_, "getItncTable(POCKET_TABLE)", [&] { return readPocketTable(reader); });
    if (tableName == TOOL_TABLE)
        return cachedRead(toolTableCache_, "getItncTable(TOOL_TABLE)",
                          [&] { return getItncTable(TOOL_TABLE, query, reader); });
    return getItncTable(tableName, query, reader);
}

void DncShim::clearItncTableCache() {
    auto held = guard_.lock(tableCacheMutex_, "clearItncTableCache(POCKET_TABLE)", SDK_CALL_SITE);
    pocketTableCache_.clear();
    toolTableCache_.clear();
}

void DncShim::setItncTableRow(const std::string& tableName, const std::string& header, const std::string& keyColumn,
                              const std::string& keyValue, const TableRow& row) {
    const auto table = itncTable_.get();
    requireInterface(guard_, itncTableCheck(table, "setItncTableRow"), SDK_CALL_SITE);
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
    guard_.run({"_itncTable->TransmitTablePart(toBSTR(tmpFileName), toBSTR(tableName))", SDK_CALL_SITE},
               [&] { return table->TransmitTablePart(file->path(), tableName); });
    file.reset();
    clearItncTableCache();
}

void DncShim::setItncTableCell(const std::string& tableName, const std::string& header, const std::string& keyColumn,
                               const std::string& keyValue, const std::string& column, const std::string& value) {
    setItncTableRow(tableName, header, keyColumn, keyValue, TableRow{{column, value}});
}

void DncShim::setItncToolTableRow(const std::string& toolId, const TableRow& row) {
    setItncTableRow(TOOL_TABLE, TOOL_TABLE_HEADER, "T", toolId, row);
}

void DncShim::deleteItncToolTableRow(const std::string& toolId) {
    refuseOnTnc426(controllerType_.get(), "deleteItncToolTableRow", name_);
    logInformation("deleteItncToolTableRow", name_ + ": " + toolId);
    // The id becomes part of the control's query: "1 OR T > 0" would delete every row.
    const std::string id = toolIdArgument(toolId);
    const auto table = itncTable_.get();
    requireInterface(guard_, itncTableCheck(table, "deleteItncToolTableRow"), SDK_CALL_SITE);
    guard_.run({"_itncTable->DeleteRecord(bstrTablePath, bstrQuery)", SDK_CALL_SITE},
               [&] { return table->DeleteRecord(TOOL_TABLE, "WHERE T == " + id); });
    clearItncTableCache();
}

}  // namespace heidenhain
