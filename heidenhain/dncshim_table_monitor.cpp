// The table monitor's thread and cycle: every interval it reads the tool and
// pocket tables (and on the iTNC controls the program status) and reports
// what changed since the cycle before.
#include <chrono>
#include <limits>
#include <stdexcept>
#include <thread>

#include "heidenhain/cnc_files.h"
#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/table_read_mode.h"
#include "heidenhain/session_log.h"
#include "heidenhain/enum_names.h"
#include "heidenhain/tool_table_columns.h"
#include "heidenhain/variant_text.h"

namespace heidenhain {
namespace {
constexpr auto kWaitSlice = std::chrono::milliseconds(100);
}  // namespace

void DncShim::setTableMonitorInterval(std::int32_t seconds) {
    if (seconds < 1) throw std::runtime_error("Value must be greater than zero");
    // Saturated: seconds beyond 24 days would wrap into a negative interval.
    constexpr std::int64_t kMaxMs = std::numeric_limits<std::int32_t>::max();
    tableMonitorInterval_ = static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{seconds} * 1000, kMaxMs));
}

std::int32_t DncShim::getTableMonitorInterval() { return tableMonitorInterval_ / 1000; }

void DncShim::onToolTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
    onToolTableChanged_.set(std::move(callback));
    if (!monitor_.held()) startMonitorThread();
}

void DncShim::onPocketTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
    onPocketTableChanged_.set(std::move(callback));
    if (!monitor_.held()) startMonitorThread();
}

void DncShim::startMonitorThread() {
    if (!tableMonitorAutostart()) return;
    monitor_.start([this] { monitorToolTable(); });
}

void DncShim::stopMonitorThread() { monitor_.stop(); }

void DncShim::monitorToolTable() {
    // A stop request also ends it: a session that stays connected while its
    // monitor is replaced or the session destroyed must not keep it alive.
    const auto running = [&] { return flags_.isConnected() && !monitor_.stopping(); };
    while (running()) {
        try {
            oneMonitorToolTableCall();
        } catch (const std::exception& e) {
            logWarning("monitorToolTable", name_ + ": Error while monitoring tool table: " + e.what());
        } catch (...) {
            logWarning("monitorToolTable", name_ + ": Error while monitoring tool table: unknown error");
        }
        if (!running()) return;
        // The interval is read afresh in every slice: a change takes effect in the running wait.
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(tableMonitorInterval_.load())) {
            monitor_.pause(kWaitSlice);
            if (!running()) return;
        }
    }
}

void DncShim::oneMonitorToolTableCall() {
    const std::string controllerType = controllerType_.get();
    if (isItnc(controllerType) && !pollProgramStatus()) return;
    if (!usesItncTable(controllerType) && !accessModeSet_) {
        // Once per connect: every cycle would flood the log, none would leave the monitor silent.
        if (!accessModeNoticeGiven_.exchange(true)) {
            logInformation("oneMonitorToolTableCall",
                           name_ + ": oneMonitorToolTableCall: called without AccessMode (passwords) set, ignoring");
        }
        return;
    }
    const BackgroundTableReads quietReads;
    std::this_thread::yield();
    if (flags_.isConnected()) notifyIfToolTableChanged(getToolTable());
    std::this_thread::yield();
    if (flags_.isConnected()) notifyIfPocketTableChanged(getPocketTable());
}

bool DncShim::pollProgramStatus() {
    auto automatic = automatic_.get();
    guard_.requireInterface(InterfaceCheck{"Automatic", automatic != nullptr, "oneMonitorToolTableCall"},
                            SDK_CALL_SITE);
    std::this_thread::yield();
    std::int32_t status = 0;
    const auto polled = guard_.onlineUnlessLost(
        "_automatic->GetProgramStatus()", SDK_CALL_SITE,
        [&](dnc::HRESULT code) {
            logWarning("oneMonitorToolTableCall", name_ + ": Connection to CNC lost (0x" + hexCode(code) + ").");
            scheduleDisconnect();
        },
        [&] { return automatic->GetProgramStatus(&status); });
    if (!polled) return false;
    std::this_thread::yield();
    dnc::Variant selectedProgram;
    guard_.online("_automatic->GetExecutionPoint(&selectedProgramVar, &positionList)", SDK_CALL_SITE, [&] {
        std::shared_ptr<dnc::Object> positions;  // not used
        return automatic->GetExecutionPoint(&selectedProgram, &positions);
    });
    const std::string statusText = nameOf(programStatusMap(), status);
    const std::string program = variantToText(selectedProgram);
    if (statusText != monitorProgramStatus_) {
        presence_.change([&](MachinePresence& presence) { presence.programStatus = statusText; });
    }
    if (statusText != monitorProgramStatus_) raise(onProgramStatusChanged_, statusText);
    if (program != monitorProgram_ || statusText != monitorProgramStatus_) {
        const ProgramLocation location = splitProgramPath(program);
        raise(onNcProgramChanged_, statusText, location.directory, location.name);
    }
    monitorProgramStatus_ = statusText;
    monitorProgram_ = program;
    return true;
}

std::vector<TableRow> DncShim::getToolTable() {
    if (usesItncTable(controllerType_.get())) return getItncTable(TOOL_TABLE, "WHERE T >= 0");
    const std::vector<std::string> ids = getToolIds();
    std::vector<TableRow> rows(ids.size());
    for (std::size_t i = 0; i < ids.size(); ++i) rows[i]["T"] = ids[i];
    for (const auto& column : TOOL_TABLE_COLUMNS) {
        const std::vector<std::string> cells = getValues(TOOL_DATA_PATH + column);
        // A column list shorter than the ids leaves the missing cells absent.
        for (std::size_t i = 0; i < rows.size() && i < cells.size(); ++i) rows[i][column] = cells[i];
    }
    return rows;
}

}  // namespace heidenhain
