#include "heidenhain/tables/free_ids.h"

#include <algorithm>
#include <utility>

#include "heidenhain/tables/table_ids.h"

namespace heidenhain {
namespace {

std::string numberText(int number) { return std::to_string(number); }

// The items with their numbers, in the order of the numbers. A control lists
// its rows so; a table listed otherwise would make a later number hide an
// earlier gap, and the search would offer a row that is taken. An item whose
// number is empty or no number ("ABC") is left out: it is never offered and
// never stops the search.
template <class Item, class NumberText>
std::vector<std::pair<double, Item>> byNumber(std::vector<Item> items, NumberText&& numberText) {
    std::vector<std::pair<double, Item>> numbered;
    for (auto& item : items) {
        if (const auto number = idNumber(numberText(item))) numbered.emplace_back(*number, std::move(item));
    }
    std::stable_sort(numbered.begin(), numbered.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return numbered;
}

}  // namespace

bool isBlankCell(const std::string& cell) { return cell.empty() || cell == " "; }

std::string cellOf(const TableRow& row, const std::string& column) {
    const auto cell = row.find(column);
    return cell == row.end() ? std::string() : cell->second;
}

std::string firstFreeToolRow(const std::vector<TableRow>& rows) {
    int expected = 1;
    for (const auto& [t, row] : byNumber(rows, [](const TableRow& r) { return cellOf(r, "T"); })) {
        // The read asks for T > 0, but the cache may hold a read that asked for more.
        if (t <= 0) continue;
        if (t > expected) return numberText(expected);
        if (t >= expected) ++expected;
        if (isBlankCell(cellOf(row, "NAME"))) return trimmedId(cellOf(row, "T"));
    }
    return numberText(expected);
}

std::string firstFreeToolId(std::vector<std::string> toolIds, const std::function<bool(const std::string&)>& hasName) {
    int expected = 1;
    for (const auto& [t, id] : byNumber(std::move(toolIds), [](const std::string& text) { return text; })) {
        if (t > expected) return numberText(expected);
        if (t >= expected) ++expected;
        if (t > 0 && !hasName(id)) return trimmedId(id);
    }
    return {};
}

std::string firstFreePocketRow(const std::vector<TableRow>& rows) {
    int expected = 1;
    for (const auto& [p, row] : byNumber(rows, [](const TableRow& r) { return cellOf(r, "P"); })) {
        if (p > 0 && isBlankCell(trimmedId(cellOf(row, "T")))) return trimmedId(cellOf(row, "P"));
        if (p > expected) return numberText(expected);
        ++expected;
    }
    return numberText(expected);
}

}  // namespace heidenhain
