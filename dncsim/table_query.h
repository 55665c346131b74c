#pragma once
// The line queries of the table interface: "WHERE <column> <op> <value>" with
// the operators ==, !=, >=, >, <=, <. Both sides compare as numbers when both
// are numbers, else as text; an empty cell of a number comparison counts as 0,
// as the control reads a blank numeric field (so "WHERE T >= 0" also finds
// the free pockets). An empty query matches every row.
#include <optional>
#include <string>

#include "dncsim/table_layout.h"

namespace dncsim {

class TableQuery {
public:
    // Null when the text is no query of that form or names no column of the table.
    static std::optional<TableQuery> parse(const std::string& text, const TextTable& table);

    bool matches(const TableCells& cells) const;

private:
    enum class Op { All, Equal, NotEqual, GreaterEqual, Greater, LessEqual, Less };

    TableQuery(Op op, std::string column, std::string value)
        : op_(op), column_(std::move(column)), value_(std::move(value)) {}

    Op op_;
    std::string column_;
    std::string value_;
};

}  // namespace dncsim
