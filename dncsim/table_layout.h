#pragma once
// How the table interface of an older control shows its tool and pocket
// tables: fixed-width text lines whose columns have the widths below. The
// cells themselves live in the DataAccess tree (table_rows.h).
#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace dncsim {

enum class Family;

// One row of a table: column name to cell text.
using TableCells = std::map<std::string, std::string>;

struct TextColumn {
    std::string name;
    std::size_t offset;  // from the start of a line
    std::size_t width;   // the name and at least one space fit
    bool signedNumber;   // numbers shown with their sign, "+50"
};

class TextTable {
public:
    TextTable(std::string name, std::string fileType, std::string rowsPath, std::string key,
              const std::vector<std::string>& columns);

    // The name on the control, "TNC:\TOOL.T".
    const std::string& name() const { return name_; }
    // The table type of a table file's BEGIN line, "tool.t".
    const std::string& fileType() const { return fileType_; }
    // Where the rows live in the DataAccess tree.
    const std::string& rowsPath() const { return rowsPath_; }
    const std::string& key() const { return key_; }
    const std::vector<TextColumn>& columns() const { return columns_; }
    const TextColumn* column(const std::string& name) const;
    // The length of every line.
    std::size_t width() const;

    // The names at the starts of their columns.
    std::string titleLine() const;
    // The cells at the starts of their columns; a cell too long for its
    // column is cut so that one space still separates it from the next.
    std::string line(const TableCells& cells) const;

private:
    std::string name_;
    std::string fileType_;
    std::string rowsPath_;
    std::string key_;
    std::vector<TextColumn> columns_;
};

const TextTable& toolTextTable();
const TextTable& pocketTextTable();
// The table of that name (compared without regard to case), or null.
const TextTable* textTableNamed(const std::string& tableName);

// Names of tables and table types are compared without regard to case.
bool sameName(const std::string& a, const std::string& b);

}  // namespace dncsim
