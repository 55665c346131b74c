#include "dncsim/table_rows.h"

#include <cstdio>

namespace dncsim {
namespace {

// A cell as text, whatever a DataAccess client wrote into it.
std::string cellText(const dnc::Variant& value) {
    switch (value.vt()) {
        case dnc::VT_BSTR: return value.text();
        case dnc::VT_I1: case dnc::VT_I2: case dnc::VT_I4: case dnc::VT_I8: case dnc::VT_INT:
            return std::to_string(value.signedValue());
        case dnc::VT_UI1: case dnc::VT_UI2: case dnc::VT_UI4: case dnc::VT_UI8: case dnc::VT_UINT:
            return std::to_string(value.unsignedValue());
        case dnc::VT_R4: case dnc::VT_R8: {
            char text[32];
            std::snprintf(text, sizeof text, "%.10g", value.realValue());
            return text;
        }
        default: return {};
    }
}

std::string rowPath(const TextTable& table, const std::string& key) { return table.rowsPath() + "\\" + key; }

}  // namespace

std::vector<TableCells> readRows(const DataTree& tree, const TextTable& table) {
    std::vector<std::string> keys;
    if (dnc::failed(tree.children(table.rowsPath(), &keys))) return {};
    std::vector<TableCells> rows;
    for (const auto& key : keys) {
        TableCells cells;
        for (const auto& column : table.columns()) {
            dnc::Variant value;
            tree.read(rowPath(table, key) + "\\" + column.name, &value);
            cells[column.name] = cellText(value);
        }
        if (!cells[table.key()].empty()) rows.push_back(std::move(cells));
    }
    return rows;
}

void writeRow(DataTree& tree, const TextTable& table, const TableCells& cells) {
    const std::string key = cells.at(table.key());
    const std::string base = rowPath(table, key) + "\\";
    const bool known = tree.exists(rowPath(table, key));
    for (const auto& column : table.columns()) {
        const auto cell = cells.find(column.name);
        if (known) {
            if (cell != cells.end()) tree.write(base + column.name, dnc::Variant(cell->second), true);
        } else {
            tree.add(base + column.name, dnc::Variant(cell != cells.end() ? cell->second : std::string()));
        }
    }
}

void eraseRow(DataTree& tree, const TextTable& table, const std::string& key) {
    for (const auto& column : table.columns())
        tree.write(rowPath(table, key) + "\\" + column.name, dnc::Variant(std::string()), true);
}

}  // namespace dncsim
