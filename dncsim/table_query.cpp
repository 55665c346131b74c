#include "dncsim/table_query.h"

#include <cstdlib>
#include <sstream>

#include "dncsim/table_model.h"

namespace dncsim {
namespace {

// -1, 0 or 1 as cell is below, equal to or above value.
int compare(const std::string& cell, const std::string& value) {
    const auto right = wholeNumber(value);
    const auto left = cell.empty() && right ? std::optional<double>(0.0) : wholeNumber(cell);
    if (left && right) return *left < *right ? -1 : (*left > *right ? 1 : 0);
    const int text = cell.compare(value);
    return text < 0 ? -1 : (text > 0 ? 1 : 0);
}

}  // namespace

std::optional<TableQuery> TableQuery::parse(const std::string& text, const TextTable& table) {
    std::istringstream words(text);
    std::string where, column, op, value, more;
    if (!(words >> where)) return TableQuery(Op::All, {}, {});
    if (!sameName(where, "WHERE") || !(words >> column >> op >> value) || (words >> more)) return std::nullopt;
    if (table.column(column) == nullptr) return std::nullopt;
    static const std::pair<const char*, Op> ops[] = {{"==", Op::Equal},       {"!=", Op::NotEqual}, {">=", Op::GreaterEqual},
                                                     {">", Op::Greater},      {"<=", Op::LessEqual}, {"<", Op::Less}};
    for (const auto& [name, kind] : ops)
        if (op == name) return TableQuery(kind, column, value);
    return std::nullopt;
}

bool TableQuery::matches(const TableCells& cells) const {
    if (op_ == Op::All) return true;
    const auto cell = cells.find(column_);
    const int order = compare(cell == cells.end() ? std::string() : cell->second, value_);
    switch (op_) {
        case Op::Equal: return order == 0;
        case Op::NotEqual: return order != 0;
        case Op::GreaterEqual: return order >= 0;
        case Op::Greater: return order > 0;
        case Op::LessEqual: return order <= 0;
        case Op::Less: return order < 0;
        case Op::All: break;
    }
    return true;
}

}  // namespace dncsim
