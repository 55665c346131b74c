#include "dncsim/table_path.h"

#include <cstdlib>

#include "dncsim/table_model.h"

namespace dncsim {
namespace {

std::vector<std::string> partsOf(const std::string& canonicalPath) {
    std::vector<std::string> parts;
    std::size_t start = 1;
    while (start <= canonicalPath.size()) {
        const auto end = canonicalPath.find('\\', start);
        parts.push_back(canonicalPath.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return parts;
}

std::string cellOf(const std::optional<dnc::Variant>& cell) { return cell ? cell->text() : std::string(); }

// The stored rows whose cell of `column` is selected by `key`.
dnc::HRESULT selectRows(const DataTree& tree, const TableSchema& table, const std::string& column,
                        const std::string& key, std::vector<std::string>* rows) {
    const std::string rowsPath = table.rowsPath();
    const auto range = rangeOf(key);
    const std::string text = unquoted(key);
    // The key column names the rows: no need to read every row.
    if (!range && column == table.key) {
        const std::string row = rowsPath + "\\" + text;
        if (tree.exists(row)) rows->push_back(row);
        return dnc::kOk;
    }
    std::vector<DataTree::ChildLeaf> cells;
    if (auto hr = tree.childLeaves(rowsPath, column, &cells); dnc::failed(hr)) return hr;
    for (const auto& [row, cell] : cells) {
        if (!cell) continue;
        const auto value = wholeNumber(cellOf(cell));
        const bool hit = range ? value && *value >= range->first && *value <= range->second : cellOf(cell) == text;
        if (!hit) continue;
        rows->push_back(rowsPath + "\\" + row);
        // A plain key addresses one row: the first that has it.
        if (!range) break;
    }
    return dnc::kOk;
}

}  // namespace

std::string unquoted(const std::string& text) {
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') return text.substr(1, text.size() - 2);
    return text;
}

std::optional<std::pair<double, double>> rangeOf(const std::string& key) {
    if (unquoted(key) == key) return std::nullopt;
    const std::string text = unquoted(key);
    // The first character may be a sign: the dash between the bounds comes later.
    for (auto dash = text.find('-', 1); dash != std::string::npos; dash = text.find('-', dash + 1)) {
        const auto low = wholeNumber(text.substr(0, dash));
        const auto high = wholeNumber(text.substr(dash + 1));
        if (low && high) return std::make_pair(*low, *high);
    }
    return std::nullopt;
}

dnc::HRESULT resolveTablePath(const DataTree& tree, const TableSchema& table, const std::string& canonicalPath,
                              TableTarget* target) {
    const auto parts = partsOf(canonicalPath);
    const std::size_t depth = partsOf(table.path).size();
    if (parts.size() <= depth || parts.size() > depth + 3) return dnc::kBadParameter;
    const std::string& column = parts[depth];
    if (!table.hasColumn(column)) return dnc::kBadParameter;
    if (parts.size() == depth + 1) {
        *target = {TableTarget::Kind::Column, canonicalPath, column, column, {}};
        return dnc::kOk;
    }
    const std::string& key = parts[depth + 1];
    const bool cell = parts.size() == depth + 3;
    if (cell && !table.hasColumn(parts[depth + 2])) return dnc::kBadParameter;
    // A range holds rows, not cells.
    if (cell && rangeOf(key)) return dnc::kBadParameter;
    std::vector<std::string> rows;
    if (auto hr = selectRows(tree, table, column, key, &rows); dnc::failed(hr)) return hr;
    if (rows.empty()) return cell ? table.missingRowCell : dnc::kInvalidArg;
    if (rangeOf(key)) {
        *target = {TableTarget::Kind::Range, canonicalPath, unquoted(key), column, std::move(rows)};
    } else if (cell) {
        *target = {TableTarget::Kind::Cell, rows.front() + "\\" + parts[depth + 2], parts[depth + 2], parts[depth + 2],
                   {}};
    } else {
        *target = {TableTarget::Kind::Row, rows.front(), unquoted(key), column, {}};
    }
    return dnc::kOk;
}

}  // namespace dncsim
