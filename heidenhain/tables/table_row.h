#pragma once
// Rows of the control's tool and pocket tables as the session hands them
// around: column name to cell text, every value a text.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace heidenhain {

using TableRow = std::unordered_map<std::string, std::string>;

// A column of a fixed-width text table: its name and where it starts in a
// line. A layout ends with an entry that only marks where the last column ends.
struct TableColumn {
    std::string name;
    std::uint64_t offset = 0;
};

// The two tables of the table interface, by their names on the control.
inline const std::string TOOL_TABLE = "TNC:\\TOOL.T";
inline const std::string POCKET_TABLE = "TNC:\\TOOL_P.TCH";
// First line of a table file sent to the control.
inline const std::string TOOL_TABLE_HEADER = "BEGIN tool.t MM";
inline const std::string POCKET_TABLE_HEADER = "BEGIN tool_p.tch MM";

}  // namespace heidenhain
