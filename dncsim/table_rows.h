#pragma once
// The rows of a simulated tool or pocket table, read from and written to the
// DataAccess tree that holds them: what the table interface and the pocket
// file show is always the tree's current content.
#include <string>
#include <vector>

#include "dncsim/data_tree.h"
#include "dncsim/table_layout.h"

namespace dncsim {

// Every row of the table in the tree's order, each with all its columns.
std::vector<TableCells> readRows(const DataTree& tree, const TextTable& table);

// Writes the given cells of the row whose key is cells[key]; a new row gets
// every other column empty. Columns outside the table are ignored.
void writeRow(DataTree& tree, Family family, const TextTable& table, const TableCells& cells);

// Deletes the row with that key from the tree, so that every view loses it.
void eraseRow(DataTree& tree, const TextTable& table, const std::string& key);

}  // namespace dncsim
