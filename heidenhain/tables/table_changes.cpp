// The table monitor's comparisons: each cycle's rows against the previous
// cycle's, reported row by row to the registered callbacks.
#include <optional>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "heidenhain/events/program_events.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/tables/table_monitor.h"

namespace heidenhain {
namespace {

const std::string& cell(const TableRow& row, const std::string& column) {
    static const std::string absent;
    const auto found = row.find(column);
    return found == row.end() ? absent : found->second;
}

// The first row of each key: tables whose keys moved are still compared in
// linear time. The keys are views of the rows' own cells: no text is copied.
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

// Pairs this cycle's rows with the previous cycle's rows of the same key. A
// table read twice nearly always lists the same keys in the same order; then
// the rows pair by position and no index is built.
class RowPairs {
public:
    RowPairs(const std::vector<TableRow>& previous, const std::vector<TableRow>& current, std::string column)
        : previous_(previous), current_(current), column_(std::move(column)) {
        if (sameKeys()) return;
        previousIndex_.emplace(previous, column_);
        currentIndex_.emplace(current, column_);
    }
    const TableRow* before(std::size_t row) const {
        return previousIndex_ ? previousIndex_->find(cell(current_[row], column_)) : &previous_[row];
    }
    bool kept(const TableRow& previousRow) const {
        return !currentIndex_ || currentIndex_->find(cell(previousRow, column_));
    }

private:
    bool sameKeys() const {
        if (previous_.size() != current_.size()) return false;
        for (std::size_t i = 0; i < current_.size(); ++i) {
            if (cell(previous_[i], column_) != cell(current_[i], column_)) return false;
        }
        return true;
    }

    const std::vector<TableRow>& previous_;
    const std::vector<TableRow>& current_;
    const std::string column_;
    std::optional<KeyIndex> previousIndex_, currentIndex_;
};

// Rows read alike iterate their columns alike: compared side by side, without
// looking every column up, unless the orders differ.
bool sameRow(const TableRow& a, const TableRow& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first) return a == b;
        if (i->second != j->second) return false;
    }
    return true;
}

bool isSpindle(const std::string& id) { return id == "0" || id == "0.0"; }

// A difference found under a snapshot's lock, reported once it is released:
// the client callbacks never run under it.
struct RowChange {
    std::string id;
    TableRow now;
    TableRow before;
    enum Kind { Changed, Removed, Spindle } kind;
};

}  // namespace

std::vector<TableRow> TableMonitor::notifyIfToolTableChanged(std::vector<TableRow> rows) {
    auto held = context_.guard.lock(toolSnapshotMutex_, "notifyIfToolTableChanged", SDK_CALL_SITE);
    if (toolTableSnapshot_.empty()) {
        toolTableSnapshot_ = std::move(rows);
        return {};
    }
    if (rows.empty() || !context_.flags.isConnected()) return rows;
    const auto callback = onToolTableChanged_.get();
    std::vector<RowChange> changes;
    const auto report = [&](const std::string& toolId, const TableRow& now, const TableRow& before) {
        if (callback) changes.push_back({toolId, now, before, RowChange::Changed});
    };
    const RowPairs pairs(toolTableSnapshot_, rows, "T");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        const std::string& toolId = cell(row, "T");
        if (isSpindle(toolId)) continue;
        const TableRow* before = pairs.before(i);
        if (before && sameRow(*before, row)) continue;
        report(toolId, row, before ? *before : TableRow{{"T", toolId}});
    }
    for (const auto& before : toolTableSnapshot_) {
        const std::string& toolId = cell(before, "T");
        if (!pairs.kept(before)) report(toolId, TableRow{{"T", toolId}}, before);
    }
    // Taken over, not copied; the caller frees the previous rows once the
    // lock is released.
    toolTableSnapshot_.swap(rows);
    held.unlock();
    for (auto& change : changes) {
        context_.raise(callback, change.id, std::move(change.now), std::move(change.before));
        logInformation("notifyIfToolTableChanged", context_.name + ": onToolTableChanged, toolId: " + change.id);
    }
    return rows;
}

std::vector<TableRow> TableMonitor::notifyIfPocketTableChanged(std::vector<TableRow> rows) {
    auto held = context_.guard.lock(pocketSnapshotMutex_, "notifyIfPocketTableChanged", SDK_CALL_SITE);
    if (pocketTableSnapshot_.empty()) {
        pocketTableSnapshot_ = std::move(rows);
        return {};
    }
    if (rows.empty() || !context_.flags.isConnected()) return rows;
    const auto callback = onPocketTableChanged_.get();
    std::vector<RowChange> changes;
    const RowPairs pairs(pocketTableSnapshot_, rows, "P");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const TableRow& row = rows[i];
        const std::string& pocketId = cell(row, "P");
        const TableRow* before = pairs.before(i);
        if (before && sameRow(*before, row)) continue;
        changes.push_back({pocketId, row, before ? *before : TableRow{},
                           isSpindle(pocketId) ? RowChange::Spindle : RowChange::Changed});
    }
    for (const auto& before : pocketTableSnapshot_) {
        const std::string& pocketId = cell(before, "P");
        if (pairs.kept(before) || !callback) continue;
        changes.push_back({pocketId, TableRow{{"P", pocketId}}, before, RowChange::Removed});
    }
    pocketTableSnapshot_.swap(rows);
    held.unlock();
    const auto logPocket = [&](const std::string& pocketId) {
        logInformation("notifyIfPocketTableChanged", context_.name + ": onPocketTableChanged, pocketId: " + pocketId);
    };
    for (auto& change : changes) {
        switch (change.kind) {
            case RowChange::Spindle: {
                const std::string toolOut = cell(change.before, "T");
                const std::string toolIn = cell(change.now, "T");
                logInformation("notifyIfPocketTableChanged",
                               context_.name + ": active tool changed from " + toolOut + " to " + toolIn);
                if (context_.family.get()->monitorReportsToolChanges())
                    programEvents_.spindleToolChanged(toolOut, toolIn);
                break;
            }
            case RowChange::Changed:
                logPocket(change.id);
                context_.raise(callback, change.id, std::move(change.now), std::move(change.before));
                break;
            case RowChange::Removed:
                context_.raise(callback, change.id, std::move(change.now), std::move(change.before));
                logPocket(change.id);
                break;
        }
    }
    return rows;
}

}  // namespace heidenhain
