#pragma once
// Paths below a table of the DataAccess tree, as the control reads them:
//   \TABLE\TOOL\NAME                 a column: one child per row, named by the row's cell
//   \TABLE\TOOL\T\5, \TABLE\TOOL_P\P\'3'   the row whose cell of that column is the text
//   \TABLE\TOOL_P\T\5\P              a cell of that row (here: the pocket of tool 5)
//   \TABLE\TOOL\T\'5.0-5.9'          the rows whose cell lies in that numeric range
#include <optional>
#include <string>
#include <vector>

#include "dnc/result.h"
#include "dncsim/data_tree.h"
#include "dncsim/table_model.h"

namespace dncsim {

// What a table path addresses in the tree as it is now.
struct TableTarget {
    enum class Kind { Column, Row, Range, Cell };
    Kind kind;
    // The stored row or cell (\TABLE\TOOL\T\5\NAME); the path itself for a column or range.
    std::string path;
    // What the entry is called: the column, or the selecting text without quotes.
    std::string name;
    // The column of a column view, of the selection of a range, or of a cell.
    std::string column;
    // The stored rows a range matched, in row order.
    std::vector<std::string> rows;
};

// `canonicalPath` lies strictly below `table`'s path. kBadParameter for an
// unknown column or a path too deep; kInvalidArg when no row matches;
// table.missingRowCell for a cell of a row the table lacks.
dnc::HRESULT resolveTablePath(const DataTree& tree, const TableSchema& table, const std::string& canonicalPath,
                              TableTarget* target);

// 'text' without its quotes; other texts unchanged.
std::string unquoted(const std::string& text);
// The bounds of a range key such as '5.0-5.9' (quoted); none for any other key.
std::optional<std::pair<double, double>> rangeOf(const std::string& key);

}  // namespace dncsim
