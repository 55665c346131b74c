#pragma once
// The table monitor: rows that appear, change or disappear in the tool and
// pocket tables are reported to the registered callbacks. Its schedule and
// cycle are in table_monitor.cpp, the comparisons of fresh rows with the
// previous cycle's in table_changes.cpp.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "agent/callback.h"
#include "heidenhain/session/session_context.h"
#include "heidenhain/tables/monitor_schedule.h"
#include "heidenhain/tables/table_row.h"

namespace heidenhain {

class ProgramEvents;

class TableMonitor {
public:
    TableMonitor(SessionContext& context, ProgramEvents& programEvents)
        : context_(context), programEvents_(programEvents) {}
    TableMonitor(const TableMonitor&) = delete;
    TableMonitor& operator=(const TableMonitor&) = delete;

    void setTableMonitorInterval(std::int32_t seconds);
    std::int32_t getTableMonitorInterval();
    void onToolTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback);
    void onPocketTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback);

    // The monitor's timed work on the session's call queue: one per
    // session, started after a connect and by the table event
    // registrations, stopped by disconnect.
    void startMonitorThread();
    void stopMonitorThread();

    // One monitor cycle, and its comparisons of fresh rows with the previous
    // cycle's. They hand back the rows they replaced, to be freed by the
    // caller once the snapshot's lock is released.
    void oneMonitorToolTableCall();
    std::vector<TableRow> notifyIfToolTableChanged(std::vector<TableRow> rows);
    std::vector<TableRow> notifyIfPocketTableChanged(std::vector<TableRow> rows);

private:
    // One pass of the monitor; false once it must end.
    bool monitorToolTable();

    SessionContext& context_;
    ProgramEvents& programEvents_;
    std::atomic<std::int32_t> tableMonitorInterval_{5000};
    TimedMutex toolSnapshotMutex_{LockRank::snapshot};
    TimedMutex pocketSnapshotMutex_{LockRank::snapshot};
    std::vector<TableRow> toolTableSnapshot_;
    std::vector<TableRow> pocketTableSnapshot_;
    LockedValue<nolt::Callback<std::string, TableRow, TableRow>> onToolTableChanged_;
    LockedValue<nolt::Callback<std::string, TableRow, TableRow>> onPocketTableChanged_;
    // Last, so that it is stopped before the rest goes.
    MonitorSchedule monitor_{context_.calls,
                             [this] { return std::chrono::milliseconds(tableMonitorInterval_.load()); }};
};

}  // namespace heidenhain
