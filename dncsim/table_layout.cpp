#include "dncsim/table_layout.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "dnc/utf8.h"
#include "dncsim/controller.h"
#include "dncsim/table_model.h"

namespace dncsim {
namespace {

struct Width {
    std::size_t width;
    bool signedNumber;
};

// Widths as the control's own tables have them; the pocket columns P, T and
// TNAME are the ones every client of the table interface knows.
Width toolWidth(const std::string& column) {
    static const std::map<std::string, Width> widths{
        {"T", {6, false}},      {"NAME", {17, false}},    {"L", {12, true}},     {"R", {12, true}},
        {"R2", {12, true}},     {"DL", {9, true}},        {"DR", {9, true}},     {"DR2", {9, true}},
        {"TIME1", {6, false}},  {"TIME2", {6, false}},    {"CUR_TIME", {9, false}}, {"PLC", {9, false}},
        {"PTYP", {5, false}},   {"NMAX", {7, false}},     {"TT:R-OFFS", {10, false}}, {"DIRECT.", {8, false}},
    };
    const auto it = widths.find(column);
    return it != widths.end() ? it->second : Width{column.size() + 4, false};
}

Width pocketWidth(const std::string& column) {
    static const std::map<std::string, Width> widths{{"P", {8, false}}, {"T", {6, false}}, {"TNAME", {75, false}}};
    const auto it = widths.find(column);
    return it != widths.end() ? it->second : Width{column.size() + 2, false};
}

bool isNumber(const std::string& text) {
    if (text.empty()) return false;
    char* end = nullptr;
    std::strtod(text.c_str(), &end);
    return *end == '\0';
}

std::string shown(const TextColumn& column, const std::string& cell) {
    std::string text = column.signedNumber && isNumber(cell) && cell[0] != '+' && cell[0] != '-' ? "+" + cell : cell;
    if (dnc::characterCount(text) >= column.width) text = std::string(dnc::characters(text, 0, column.width - 1));
    return text;
}

}  // namespace

bool sameName(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

TextTable::TextTable(std::string name, std::string fileType, std::string rowsPath, std::string key,
                     const std::vector<std::string>& columns)
    : name_(std::move(name)), fileType_(std::move(fileType)), rowsPath_(std::move(rowsPath)), key_(std::move(key)) {
    const bool pocket = rowsPath_ == kPocketRowsPath;
    std::size_t offset = 0;
    for (const auto& column : columns) {
        const Width width = pocket ? pocketWidth(column) : toolWidth(column);
        columns_.push_back({column, offset, width.width, width.signedNumber});
        offset += width.width;
    }
}

const TextColumn* TextTable::column(const std::string& name) const {
    for (const auto& column : columns_)
        if (column.name == name) return &column;
    return nullptr;
}

std::size_t TextTable::width() const { return columns_.empty() ? 0 : columns_.back().offset + columns_.back().width; }

std::string TextTable::titleLine() const {
    std::string text(width(), ' ');
    for (const auto& column : columns_) text.replace(column.offset, column.name.size(), column.name);
    return text;
}

// Widths count characters: a cell with "Ø" takes as many columns as one with "O".
std::string TextTable::line(const TableCells& cells) const {
    std::string text;
    for (const auto& column : columns_) {
        const auto cell = cells.find(column.name);
        text += dnc::padded(cell == cells.end() ? std::string() : shown(column, cell->second), column.width);
    }
    return text;
}

const TextTable& toolTextTable() {
    static const TextTable table("TNC:\\TOOL.T", "tool.t", kToolRowsPath, "T", toolColumns(Family::TableInterface));
    return table;
}

const TextTable& pocketTextTable() {
    static const TextTable table("TNC:\\TOOL_P.TCH", "tool_p.tch", kPocketRowsPath, "P",
                                 pocketColumns(Family::TableInterface));
    return table;
}

const TextTable* textTableNamed(const std::string& tableName) {
    for (const TextTable* table : {&toolTextTable(), &pocketTextTable()})
        if (sameName(table->name(), tableName)) return table;
    return nullptr;
}

}  // namespace dncsim
