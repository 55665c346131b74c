// The table monitor's cycle: every interval it reads the tool and
// pocket tables (and on the iTNC controls the program status) and reports
// what changed since the cycle before.
#include <chrono>
#include <limits>
#include <stdexcept>
#include <thread>

#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/tables/table_monitor.h"

namespace heidenhain {
void TableMonitor::setTableMonitorInterval(std::int32_t seconds) {
    if (seconds < 1) throw std::runtime_error("Value must be greater than zero");
    // Saturated: seconds beyond 24 days would wrap into a negative interval.
    constexpr std::int64_t kMaxMs = std::numeric_limits<std::int32_t>::max();
    tableMonitorInterval_ = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{seconds} * 1000, kMaxMs));
    // A change takes effect in the running wait.
    monitor_.intervalChanged();
}

std::int32_t TableMonitor::getTableMonitorInterval() { return tableMonitorInterval_ / 1000; }

void TableMonitor::onToolTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
    onToolTableChanged_.set(std::move(callback));
    if (!monitor_.held()) startMonitorThread();
}

void TableMonitor::onPocketTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
    onPocketTableChanged_.set(std::move(callback));
    if (!monitor_.held()) startMonitorThread();
}

void TableMonitor::startMonitorThread() {
    if (!tableMonitorAutostart()) return;
    monitor_.start([this] { return monitorToolTable(); });
}

void TableMonitor::stopMonitorThread() { monitor_.stop(); }

bool TableMonitor::monitorToolTable() {
    // A stop request also ends it: a session that stays connected while its
    // monitor is replaced or the session destroyed must not keep it alive.
    const auto running = [&] { return context_.flags.isConnected() && !monitor_.stopping(); };
    if (!running()) return false;
    try {
        oneMonitorToolTableCall();
    } catch (const std::exception& e) {
        logWarning("monitorToolTable", context_.name + ": Error while monitoring tool table: " + e.what());
    } catch (...) {
        logWarning("monitorToolTable", context_.name + ": Error while monitoring tool table: unknown error");
    }
    return running();
}

void TableMonitor::oneMonitorToolTableCall() {
    auto tables = context_.family.get();
    if (!tables->beginMonitorCycle(programEvents_)) return;
    std::this_thread::yield();
    if (context_.flags.isConnected()) notifyIfToolTableChanged(tables->toolTable(ReadFor::Monitor));
    std::this_thread::yield();
    if (context_.flags.isConnected()) notifyIfPocketTableChanged(tables->pocketTable(ReadFor::Monitor));
}

}  // namespace heidenhain
