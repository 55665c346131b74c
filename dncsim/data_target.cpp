#include "dncsim/data_target.h"

#include "dncsim/controller.h"

namespace dncsim {
namespace {

std::string lastName(const std::string& path) {
    const auto cut = path.rfind('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string parentOf(const std::string& path) {
    const auto cut = path.rfind('\\');
    return cut == 0 || cut == std::string::npos ? "\\" : path.substr(0, cut);
}

std::string childPath(const std::string& path, const std::string& name) {
    return (path == "\\" ? std::string() : path) + "\\" + name;
}

dnc::HRESULT storedChildren(const DataTree& tree, const std::string& path, std::vector<DataChild>* children) {
    std::vector<std::string> names;
    if (auto hr = tree.children(path, &names); dnc::failed(hr)) return hr;
    for (auto& name : names) children->push_back({childPath(path, name), std::move(name)});
    return dnc::kOk;
}

}  // namespace

dnc::HRESULT resolveTarget(const DataTree& tree, Family family, const std::string& path, DataTarget* target) {
    const std::string canonical = DataTree::canonical(path);
    const TableSchema* table = tableAt(family, canonical);
    if (table != nullptr && canonical != table->path) {
        DataTarget found{table, false, {}};
        if (auto hr = resolveTablePath(tree, *table, canonical, &found.at); dnc::failed(hr)) return hr;
        *target = std::move(found);
        return dnc::kOk;
    }
    if (!tree.exists(canonical)) return dnc::kBadParameter;
    *target = DataTarget{nullptr, true, {TableTarget::Kind::Cell, canonical, lastName(canonical), {}, {}}};
    return dnc::kOk;
}

dnc::HRESULT childrenOf(const DataTree& tree, const DataTarget& target, std::vector<DataChild>* children) {
    children->clear();
    if (target.is(TableTarget::Kind::Range)) {
        for (const auto& row : target.at.rows) children->push_back({row, lastName(row)});
        return dnc::kOk;
    }
    if (target.is(TableTarget::Kind::Column)) {
        // One child per row, named by the row's cell: element i is row i's.
        const std::string rowsPath = target.table->rowsPath();
        std::vector<DataTree::ChildLeaf> cells;
        if (auto hr = tree.childLeaves(rowsPath, target.at.column, &cells); dnc::failed(hr)) return hr;
        for (const auto& [row, cell] : cells) {
            if (cell) children->push_back({childPath(rowsPath, row), cell->text()});
        }
        return dnc::kOk;
    }
    return storedChildren(tree, target.path(), children);
}

dnc::HRESULT readTarget(const DataTree& tree, const DataTarget& target, dnc::Variant* value) {
    if (value == nullptr) return dnc::kPointer;
    if (target.is(TableTarget::Kind::Column) || target.is(TableTarget::Kind::Range)) {
        *value = dnc::Variant();
        return dnc::kOk;
    }
    return tree.read(target.path(), value);
}

dnc::HRESULT writeTarget(DataTree& tree, const DataTarget& target, const dnc::Variant& value) {
    if (target.plain) return tree.write(target.path(), value);
    switch (target.at.kind) {
        case TableTarget::Kind::Cell:
            return writeCell(tree, *target.table, parentOf(target.path()), target.at.column, value);
        case TableTarget::Kind::Row:
            // A row holds no value: a null one takes the row away.
            return value.vt() == dnc::VT_NULL ? tree.remove(target.path()) : dnc::kInvalidArg;
        case TableTarget::Kind::Column:
        case TableTarget::Kind::Range:
            break;
    }
    return dnc::kNoValidItem;
}

dnc::HRESULT initialValueOf(const DataTarget& target, dnc::Variant* value) {
    if (!target.is(TableTarget::Kind::Cell)) return kFetchFailed;
    const auto initial = target.table->initialValue(target.at.column);
    if (!initial) return kFetchFailed;
    if (value != nullptr) *value = dnc::Variant(*initial);
    return dnc::kOk;
}

dnc::HRESULT readOnlyTarget(const DataTree& tree, const DataTarget& target, bool* readOnly) {
    if (target.is(TableTarget::Kind::Column) || target.is(TableTarget::Kind::Range)) {
        *readOnly = false;
        return dnc::kOk;
    }
    return tree.readOnly(target.path(), readOnly);
}

dnc::HRESULT valuesOf(const DataTree& tree, const DataTarget& target, std::vector<DataTree::Leaf>* values) {
    values->clear();
    if (target.is(TableTarget::Kind::Column) || target.is(TableTarget::Kind::Range)) {
        std::vector<DataChild> rows;
        if (auto hr = childrenOf(tree, target, &rows); dnc::failed(hr)) return hr;
        for (const auto& row : rows) {
            std::vector<DataTree::Leaf> below;
            const std::string from =
                target.is(TableTarget::Kind::Column) ? childPath(row.path, target.at.column) : row.path;
            // A row deleted meanwhile has nothing left to read.
            if (dnc::succeeded(tree.values(from, &below))) values->insert(values->end(), below.begin(), below.end());
        }
        return dnc::kOk;
    }
    return tree.values(target.path(), values);
}

bool touches(const DataTarget& target, const std::string& changed) {
    if (target.is(TableTarget::Kind::Column)) {
        // A row that came or went, or a cell of the column.
        const std::string rowsPath = target.table->rowsPath();
        return DataTree::covers(rowsPath, changed) &&
               (parentOf(changed) == rowsPath || (lastName(changed) == target.at.column &&
                                                  parentOf(parentOf(changed)) == rowsPath));
    }
    if (target.is(TableTarget::Kind::Range)) return DataTree::covers(target.table->rowsPath(), changed);
    return DataTree::covers(target.path(), changed);
}

std::string snapshotRoot(const DataTarget& target) { return target.plain ? target.path() : target.table->path; }

}  // namespace dncsim
