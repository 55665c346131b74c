#pragma once
// Where a simulated control keeps its tool and pocket tables, and their demo
// rows. The DataAccess tree holds the one copy: the fixed-width table
// interface and the pocket file of the oldest control are views of it.
//
// Tool row <id>:   \TABLE\TOOL\T\<id>\<column>     (<id> as the control writes it, "5" or "5.2")
// Pocket row <p>:  \TABLE\TOOL_P\P\<p>\<column>
// Every cell is a text variant; a row holds an entry for every column of its
// table, the key column included, and is named by its key cell.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "dnc/result.h"
#include "dnc/variant.h"

namespace dncsim {

class DataTree;
enum class Family;

inline constexpr const char* kToolRowsPath = "\\TABLE\\TOOL\\T";
inline constexpr const char* kPocketRowsPath = "\\TABLE\\TOOL_P\\P";

// One table of a control: where it lives, its key and its columns.
struct TableSchema {
    std::string path;  // \TABLE\TOOL
    std::string key;   // T
    std::vector<std::string> columns;  // in line order, the key first
    // The values a cleared cell takes; columns without one have none.
    std::map<std::string, std::string> initialValues;
    // The answer to a cell of a row the table lacks: the pocket table of the
    // older controls is the magazine, whose missing pockets fail outright.
    dnc::HRESULT missingRowCell;

    std::string rowsPath() const { return path + "\\" + key; }
    bool hasColumn(const std::string& column) const;
    std::optional<std::string> initialValue(const std::string& column) const;
};

// The tool table and the pocket table of a control of the family.
const std::vector<TableSchema>& tableSchemas(Family family);
// The table whose path is `canonicalPath` or lies above it; null for none.
const TableSchema* tableAt(Family family, const std::string& canonicalPath);

// The columns of each table in line order, the key column first.
const std::vector<std::string>& toolColumns(Family family);
const std::vector<std::string>& pocketColumns(Family family);

// Adds the demo tool and pocket tables of a control of the family.
void addDemoTables(DataTree& tree, Family family);

// A new row `id` with every column empty but its key; kInvalidArg for an
// empty id, kInsertFailed when the table has that row already.
dnc::HRESULT insertRow(DataTree& tree, const TableSchema& table, const std::string& id);
// Writes a cell as the control stores it, as text. A null key deletes the
// row; another key than the row's own is refused (rows are renumbered by
// deleting and inserting); a value without a text form is kInvalidArg.
dnc::HRESULT writeCell(DataTree& tree, const TableSchema& table, const std::string& rowPath,
                       const std::string& column, const dnc::Variant& value);

// The number a cell or key holds when the whole text is one; none otherwise.
std::optional<double> wholeNumber(const std::string& text);

// The text a cell stores for a written value; none for types without one.
std::optional<std::string> cellText(const dnc::Variant& value);

}  // namespace dncsim
