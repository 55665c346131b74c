#pragma once
// The older controls (iTNC 530, TNC 426): tool and pocket tables are
// fixed-width text tables behind the table interface, read as lines cut by
// the table's column layout, kept a moment in a cache keyed by table and
// query, and written as small table files. Data values are read through the
// entry's data property. The TNC 426 reads its pocket table as a file and
// writes pocket cells through the data tree.
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "dnc/data_access.h"
#include "dnc/table.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/tables/table_cache.h"
#include "heidenhain/tables/table_text.h"

namespace heidenhain {

class TableInterfaceFamily : public ControllerFamily {
public:
    TableInterfaceFamily(SessionContext& context, SessionData& data, SessionFiles& files);

    void obtainInterfaces(SessionInterfaces& interfaces) override;
    bool beginMonitorCycle(ProgramEvents& programEvents) override;
    bool monitorReportsToolChanges() const override { return true; }
    void refuseAccessMode() const override;

    dnc::Variant readValue(const std::string& dataPath) override;
    std::vector<std::string> listValues(const std::string& dataPath) override;
    void writeValue(const std::string& dataPath, const dnc::Variant& newer, const OlderValue& older) override;

    std::vector<TableRow> toolTable(ReadFor reader) override;
    std::vector<std::string> toolIds() override;
    TableRow toolRow(const std::string& toolId) override;
    void setToolCell(const std::string& toolId, const std::string& column, const std::string& value) override;
    void setToolRow(const std::string& toolId, const TableRow& row) override;
    void clearToolRow(const std::string& toolId) override;
    void removeToolRow(const std::string& toolId) override;
    std::string freeToolId() override;

    std::vector<TableRow> pocketTable(ReadFor reader) override;
    std::vector<std::string> pocketIds() override;
    bool hasPocket(const std::string& pocketId) override;
    std::string toolInPocket(const std::string& pocketId) override;
    std::string pocketOfTool(const std::string& toolId) override;
    std::string freePocketId() override;
    void writePocketTool(const std::string& pocketId, const std::string& toolId) override;
    void clearPocket(const std::string& pocketId) override;

    void clearCache() override;

    // Uncached read of `tableName` with a query in the control's own form ("WHERE T >= 0").
    std::vector<TableRow> getItncTable(const std::string& tableName, const std::string& query,
                                       ReadFor reader = ReadFor::Client);
    // Read through the cache (2000 ms) of the table and query; the pocket
    // table has one query. Other tables are read uncached.
    std::vector<TableRow> getCachedItncTable(const std::string& tableName, const std::string& query = "",
                                             ReadFor reader = ReadFor::Client);
    void setItncTableRow(const std::string& tableName, const std::string& header, const std::string& keyColumn,
                         const std::string& keyValue, const TableRow& row);
    void setItncTableCell(const std::string& tableName, const std::string& header, const std::string& keyColumn,
                          const std::string& keyValue, const std::string& column, const std::string& value);
    virtual void deleteItncToolTableRow(const std::string& toolId);

protected:
    virtual std::vector<TableRow> readPocketTable(ReadFor reader);
    virtual void setPocketCell(const std::string& pocketId, const std::string& column, const std::string& value);
    // The first row that the table interface reads for the key, or a row of
    // the key alone when it finds none.
    TableRow rowByKey(const std::string& column, const std::string& value);

    SessionFiles& files_;

private:
    // A read that ended without rows: logs a lost link and schedules the
    // disconnect; throws for a client.
    void endTableRead(const SdkResult& ended, const std::string& call, const char* lostAt, ReadFor reader,
                      CallSite site);
    std::optional<LineLayout> tableLayout(dnc::IJHItncTable& table, const std::string& tableName,
                                          const std::string& query, ReadFor reader);
    // Taken before the SDK lock, never while holding it.
    TimedMutex cacheMutex_{LockRank::tableCache};
    std::map<std::pair<std::string, std::string>, TableCache> caches_;
};

// The TNC 426: its pocket table is read as a whole file and its pocket cells
// are written through the data tree; a tool row is cleared, never deleted;
// it reports its program status by events only and lacks several functions.
class Tnc426Family : public TableInterfaceFamily {
public:
    using TableInterfaceFamily::TableInterfaceFamily;

    bool beginMonitorCycle(ProgramEvents&) override { return true; }
    bool answersNcUpTime() const override { return false; }
    bool hasDataEntry2() const override { return false; }
    void refuseAccessMode() const override { refuseUnoffered("setAccessMode"); }
    void refuseUnoffered(const std::string& function) const override;

    void clearToolRow(const std::string& toolId) override;
    void clearPocket(const std::string& pocketId) override;
    void deleteItncToolTableRow(const std::string&) override { refuseUnoffered("deleteItncToolTableRow"); }

protected:
    std::vector<TableRow> readPocketTable(ReadFor reader) override;
    void setPocketCell(const std::string& pocketId, const std::string& column, const std::string& value) override;

private:
    // The value property of a pocket cell; null when the control answers
    // GetDataEntry with a code that `absent` accepts.
    std::shared_ptr<dnc::IJHDataEntryProperty> pocketCell(const std::string& path, const char* function,
                                                          const Accepted& absent);
};

}  // namespace heidenhain
