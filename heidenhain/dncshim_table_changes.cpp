// The table monitor's comparisons: each cycle's rows against the previous
// cycle's, reported row by row to the registered callbacks.
#include <string_view>
#include <unordered_map>

#include "heidenhain/controller_kind.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"

namespace heidenhain {
namespace {

const std::string& cell(const TableRow& row, const std::string& column) {
    static const std::string absent;
    const auto found = row.find(column);
    return found == row.end() ? absent : found->second;
}

// The first row of each key: tables of thousands of rows are compared in
// linear time instead of searching the other table for every row. The keys
// are views of the rows' own cells: no text is copied.
class KeyIndex {
public:
    KeyIndex(const std::vector<TableRow>& rows, const std::string& column) {
        first_.reserve(rows.size());
        for (const auto& row : rows) first_.try_emplace(cell(row, column), &row);
    }
    const TableRow* find(std::string_view key) const {
        const auto found = first_.find(key);
        return found == first_.end() ? nullptr : found->second;
    }

private:
    std::unordered_map<std::string_view, const TableRow*> first_;
};

bool isSpindle(const std::string& id) { return id == "0" || id == "0.0"; }

}  // namespace

void DncShim::notifyIfToolTableChanged(std::vector<TableRow> rows) {
    auto held = guard_.lock(toolSnapshotMutex_, "notifyIfToolTableChanged", SDK_CALL_SITE);
    if (toolTableSnapshot_.empty()) {
        toolTableSnapshot_ = std::move(rows);
        return;
    }
    if (rows.empty() || !flags_.isConnected()) return;
    const auto callback = onToolTableChanged_.get();
    const auto report = [&](const std::string& toolId, const TableRow& now, const TableRow& before) {
        if (!callback) return;
        callback(toolId, now, before);
        logInformation("notifyIfToolTableChanged", name_ + ": onToolTableChanged, toolId: " + toolId);
    };
    const KeyIndex previous(toolTableSnapshot_, "T"), current(rows, "T");
    for (const auto& row : rows) {
        const std::string& toolId = cell(row, "T");
        if (isSpindle(toolId)) continue;
        const TableRow* before = previous.find(toolId);
        if (before && *before == row) continue;
        report(toolId, row, before ? *before : TableRow{{"T", toolId}});
    }
    for (const auto& before : toolTableSnapshot_) {
        const std::string& toolId = cell(before, "T");
        if (!current.find(toolId)) report(toolId, TableRow{{"T", toolId}}, before);
    }
    // Taken over, not copied: the previous rows and their index go together.
    toolTableSnapshot_ = std::move(rows);
}

void DncShim::notifyIfPocketTableChanged(std::vector<TableRow> rows) {
    auto held = guard_.lock(pocketSnapshotMutex_, "notifyIfPocketTableChanged", SDK_CALL_SITE);
    if (pocketTableSnapshot_.empty()) {
        pocketTableSnapshot_ = std::move(rows);
        return;
    }
    if (rows.empty() || !flags_.isConnected()) return;
    const auto callback = onPocketTableChanged_.get();
    const auto logPocket = [&](const std::string& pocketId) {
        logInformation("notifyIfPocketTableChanged", name_ + ": onPocketTableChanged, pocketId: " + pocketId);
    };
    const KeyIndex previous(pocketTableSnapshot_, "P"), current(rows, "P");
    for (const auto& row : rows) {
        const std::string& pocketId = cell(row, "P");
        const TableRow* before = previous.find(pocketId);
        if (before && *before == row) continue;
        const TableRow old = before ? *before : TableRow{};
        if (isSpindle(pocketId)) {
            const std::string toolOut = cell(old, "T");
            const std::string toolIn = cell(row, "T");
            logInformation("notifyIfPocketTableChanged",
                           name_ + ": active tool changed from " + toolOut + " to " + toolIn);
            auto toolChanged = onToolChanged_.get();
            if (usesItncTable(controllerType_.get()) && toolChanged) {
                toolChanged(0, Tool{toolOut, "", ""}, Tool{toolIn, "", ""}, 0.0);
            }
            continue;
        }
        logPocket(pocketId);
        if (callback) callback(pocketId, row, old);
    }
    for (const auto& before : pocketTableSnapshot_) {
        const std::string& pocketId = cell(before, "P");
        if (current.find(pocketId) || !callback) continue;
        callback(pocketId, TableRow{{"P", pocketId}}, before);
        logPocket(pocketId);
    }
    pocketTableSnapshot_ = std::move(rows);
}

}  // namespace heidenhain
