#pragma once
// The fixed-width text of the older controls' tables: column layouts, lines
// cut into rows, and the small table file that carries one row to the control.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "heidenhain/tables/table_row.h"

namespace heidenhain {

// A layout and how many of its first entries are columns to read.
struct LineLayout {
    std::vector<TableColumn> entries;
    std::size_t columns = 0;
};

// P, T and TNAME of the pocket table as every control of the table interface
// lays them out; the only pocket columns read through that interface.
const LineLayout& pocketLineLayout();

// The layout that GetTableInfo describes: column i is named by title i and
// every position sets the offset of its entry; the last title names nothing.
// Has max(positions, titles - 1) entries and titles - 1 columns.
LineLayout layoutOfTableInfo(const std::vector<std::string>& titles, const std::vector<std::int32_t>& positions);
// Every column has an entry after it that marks its end.
inline bool usable(const LineLayout& layout) { return layout.columns < layout.entries.size(); }

// One plus sign at the start and all whitespace at the end removed.
std::string trimTableCell(std::string_view cell);

// The columns of the layout cut out of the line, offsets
// taken relative to the first column. Columns that start at or past the end
// of the line are absent; the one the line ends in is cut there.
TableRow rowOfLine(const std::string& line, const LineLayout& layout);

// Appends a column to the name line and the value line of a table file: both
// padded with spaces to one more than the longer of the two.
void appendTableColumn(std::string& names, std::string& values, const std::string& name, const std::string& value);

// The table file that writes one row: the header line, the names and the
// values, each ended by "\n". The key column comes first; keys and values
// are written as they are. Throws std::invalid_argument for a key value or a
// value with whitespace after its leading spaces, a column name with any
// whitespace and an empty column name, which would split cells, shift the
// columns of the file or add lines to it.
std::string tableFileText(const std::string& header, const std::string& keyColumn, const std::string& keyValue,
                          const TableRow& row);

}  // namespace heidenhain
