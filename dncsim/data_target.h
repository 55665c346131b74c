#pragma once
// What a path of the DataAccess tree addresses, and what reading, writing and
// listing it does: a stored entry as it is, a table path as the control reads
// it (see table_path.h). Entries resolve their path afresh for every
// operation, so that they follow the tree as it changes.
#include <cstdint>
#include <string>
#include <vector>

#include "dnc/result.h"
#include "dnc/variant.h"
#include "dncsim/data_tree.h"
#include "dncsim/table_path.h"

namespace dncsim {

enum class Family;

// Unable to fetch the requested data: a cell without an initial value.
inline constexpr dnc::HRESULT kFetchFailed = dnc::code(0x80040275);
// The property kind that reads whether an entry has an initial value.
inline constexpr std::int32_t kPropKindHasInitialValue = 9;

struct DataTarget {
    // Null for an entry outside the tables (and for a table's own entry).
    const TableSchema* table = nullptr;
    // A stored entry addressed as it is (at.path, at.name); otherwise a table
    // path's target.
    bool plain = true;
    TableTarget at;

    const std::string& path() const { return at.path; }
    bool is(TableTarget::Kind kind) const { return !plain && at.kind == kind; }
};

// One child of a listing: where it is stored and what it is called.
struct DataChild {
    std::string path;
    std::string name;
};

// kBadParameter for a path without an entry; a table path as resolveTablePath.
dnc::HRESULT resolveTarget(const DataTree& tree, Family family, const std::string& path, DataTarget* target);

dnc::HRESULT childrenOf(const DataTree& tree, const DataTarget& target, std::vector<DataChild>* children);
// Columns and ranges have no value of their own: they read as empty.
dnc::HRESULT readTarget(const DataTree& tree, const DataTarget& target, dnc::Variant* value);
// A cell as writeCell; a null row value deletes the row; columns and ranges
// take no value (kNoValidItem).
dnc::HRESULT writeTarget(DataTree& tree, const DataTarget& target, const dnc::Variant& value);
// The value a cleared cell takes (kFetchFailed for an entry without one).
dnc::HRESULT initialValueOf(const DataTarget& target, dnc::Variant* value);
dnc::HRESULT readOnlyTarget(const DataTree& tree, const DataTarget& target, bool* readOnly);
// Every stored entry at or below the target with its value.
dnc::HRESULT valuesOf(const DataTree& tree, const DataTarget& target, std::vector<DataTree::Leaf>* values);
// Whether a change of the stored entry `changed` concerns the target.
bool touches(const DataTarget& target, const std::string& changed);
// What a snapshot must hold so that the target reads in it as in the tree.
std::string snapshotRoot(const DataTarget& target);

}  // namespace dncsim
