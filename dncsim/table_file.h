#pragma once
// The small table files that clients send into a table of the control: a
// BEGIN line naming the table type ("BEGIN tool.t MM"), a line of column
// names, and value lines whose cells stand below their names.
#include <string>
#include <vector>

#include "dnc/result.h"
#include "dncsim/table_layout.h"

namespace dncsim {

// Data to be transferred is invalid: a file of another table, no name line,
// an unknown column or no key column.
inline constexpr dnc::HRESULT kInvalidTableData = dnc::code(0x8004026E);
// A value line without a key value.
inline constexpr dnc::HRESULT kRecordNotInserted = dnc::code(0x800402C9);
// A value wider than its column.
inline constexpr dnc::HRESULT kValueOutOfBounds = dnc::code(0x80040268);

// The rows of the file, each with the cells its line reaches; kOk or one of
// the codes above, and then no rows.
dnc::HRESULT readTableFile(const std::string& content, const TextTable& table, std::vector<TableCells>* rows);

}  // namespace dncsim
