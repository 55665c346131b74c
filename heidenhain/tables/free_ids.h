#pragma once
// The searches for a free tool row and a free pocket, over the rows or ids
// that the session has read. Ids are compared as numbers; a row or id that
// is no number is skipped.
#include <functional>
#include <string>
#include <vector>

#include "heidenhain/tables/table_row.h"

namespace heidenhain {

// A cell that the tables write as empty: nothing or a single space.
bool isBlankCell(const std::string& cell);
// The cell of `column`; a column that the row lacks reads as empty.
std::string cellOf(const TableRow& row, const std::string& column);

// Tool rows of the table interface, taken in the order of their numbers: the
// first gap in the numbering from 1, or the first row without a name, or the
// number after the last row ("1" for no rows). Rows of tool 0 and below,
// which a cached read may include, are never offered: tool 0 is the null tool.
std::string firstFreeToolRow(const std::vector<TableRow>& rows);

// Tool ids of the DataAccess tree: the first gap in the numbering from 1, or
// the first tool above 0 whose name `hasName` denies; empty when neither.
std::string firstFreeToolId(std::vector<std::string> toolIds, const std::function<bool(const std::string&)>& hasName);

// Pocket rows of the table interface, taken in the order of their numbers:
// the first pocket above 0 without a tool, or the first gap in the
// numbering, or the number after the last row ("1" for no rows).
std::string firstFreePocketRow(const std::vector<TableRow>& rows);

}  // namespace heidenhain
