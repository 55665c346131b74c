#include "dncsim/table_rows.h"

#include "dncsim/controller.h"
#include "dncsim/table_model.h"

namespace dncsim {
namespace {

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
            cells[column.name] = cellText(value).value_or(std::string());
        }
        if (!cells[table.key()].empty()) rows.push_back(std::move(cells));
    }
    return rows;
}

void writeRow(DataTree& tree, Family family, const TextTable& table, const TableCells& cells) {
    const std::string key = cells.at(table.key());
    if (!tree.exists(rowPath(table, key))) {
        if (const TableSchema* schema = tableAt(family, DataTree::canonical(table.rowsPath())))
            insertRow(tree, *schema, key);
    }
    const std::string base = rowPath(table, key) + "\\";
    for (const auto& column : table.columns()) {
        const auto cell = cells.find(column.name);
        if (cell != cells.end() && column.name != table.key()) tree.write(base + column.name, dnc::Variant(cell->second), true);
    }
}

void eraseRow(DataTree& tree, const TextTable& table, const std::string& key) { tree.remove(rowPath(table, key)); }

}  // namespace dncsim
