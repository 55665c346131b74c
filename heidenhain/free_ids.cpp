#include "heidenhain/free_ids.h"

#include <algorithm>

#include "heidenhain/std_texts.h"

namespace heidenhain {
namespace {

std::string numberText(int number) { return std::to_string(number); }

}  // namespace

bool isBlankCell(const std::string& cell) { return cell.empty() || cell == " "; }

std::string cellOf(const TableRow& row, const std::string& column) {
    const auto cell = row.find(column);
    return cell == row.end() ? std::string() : cell->second;
}

std::string firstFreeToolRow(const std::vector<TableRow>& rows) {
    int expected = 1;
    for (const auto& row : rows) {
        const std::string id = cellOf(row, "T");
        const float t = parseFloat(id);
        // The read asks for T > 0, but the cache may hold a read that asked for more.
        if (t <= 0) continue;
        if (t > expected) return numberText(expected);
        if (t >= expected) ++expected;
        if (isBlankCell(cellOf(row, "NAME"))) return id;
    }
    return numberText(expected);
}

std::string firstFreeToolId(std::vector<std::string> toolIds, const std::function<bool(const std::string&)>& hasName) {
    std::vector<std::pair<float, std::string>> numbered;
    for (auto& id : toolIds) numbered.emplace_back(parseFloat(id), std::move(id));
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    int expected = 1;
    for (const auto& [t, id] : numbered) {
        if (t > expected) return numberText(expected);
        if (t >= expected) ++expected;
        if (t > 0 && !hasName(id)) return id;
    }
    return {};
}

std::string firstFreePocketRow(const std::vector<TableRow>& rows) {
    int expected = 1;
    for (const auto& row : rows) {
        const std::string id = cellOf(row, "P");
        const float p = parseFloat(id);
        if (p > 0 && isBlankCell(cellOf(row, "T"))) return id;
        if (p > expected) return numberText(expected);
        ++expected;
    }
    return numberText(expected);
}

}  // namespace heidenhain
