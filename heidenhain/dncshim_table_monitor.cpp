// The table monitor's thread and cycle: every interval it reads the tool and
// pocket tables (and on the iTNC controls the program status) and reports
// what changed since the cycle before.
#include <chrono>
#include <limits>
#include <stdexcept>
#include <thread>

#include "heidenhain/cnc_files.h"
#include "heidenhain/dncshim.h"
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
    auto tables = family();
    if (!tables->beginMonitorCycle()) return;
    std::this_thread::yield();
    if (flags_.isConnected()) notifyIfToolTableChanged(tables->toolTable(ReadFor::Monitor));
    std::this_thread::yield();
    if (flags_.isConnected()) notifyIfPocketTableChanged(tables->pocketTable(ReadFor::Monitor));
}

bool DncShim::pollProgramStatus() {
    auto automatic = automatic_.get();
    requireInterface(guard_, InterfaceCheck{"Automatic", automatic != nullptr, "oneMonitorToolTableCall"},
                     SDK_CALL_SITE);
    std::this_thread::yield();
    std::int32_t status = 0;
    const SdkResult polled = guard_.call({"_automatic->GetProgramStatus()", SDK_CALL_SITE, {}, OnLostLink::End},
                                         [&] { return automatic->GetProgramStatus(&status); });
    if (polled.ended) {
        if (polled.linkLost()) {
            logWarning("oneMonitorToolTableCall", name_ + ": Connection to CNC lost (0x" + hexCode(polled.code) + ").");
            scheduleDisconnect();
        }
        return false;
    }
    std::this_thread::yield();
    dnc::Variant selectedProgram;
    guard_.run({"_automatic->GetExecutionPoint(&selectedProgramVar, &positionList)", SDK_CALL_SITE}, [&] {
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

}  // namespace heidenhain
