#include "heidenhain/tables/table_text.h"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "dnc/utf8.h"

namespace heidenhain {
namespace {

bool isSpace(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

bool hasWhitespace(const std::string& text) { return std::any_of(text.begin(), text.end(), isSpace); }

std::invalid_argument whitespaceRefused(const std::string& what, const std::string& text, const std::string& column) {
    return std::invalid_argument("Invalid " + what + " '" + text + "'" + (column.empty() ? "" : " of column " + column) +
                                 " for a table file: it must not contain whitespace");
}

void requireNoWhitespace(const std::string& what, const std::string& text) {
    if (hasWhitespace(text)) throw whitespaceRefused(what, text, {});
}

// Keys and values are written unchanged, leading spaces included: they stay
// inside their column, as in the control's own right-aligned numbers, and a
// blank value is a blank cell. Whitespace after the first character would
// split the text or add a line to the file; deleting it would write another
// value than the caller's.
void requireNoInnerWhitespace(const std::string& what, const std::string& text, const std::string& column = {}) {
    const auto first = text.find_first_not_of(' ');
    if (first != std::string::npos && hasWhitespace(text.substr(first))) throw whitespaceRefused(what, text, column);
}

}  // namespace

const LineLayout& pocketLineLayout() {
    static const LineLayout layout{{{"P", 0}, {"T", 8}, {"TNAME", 14}, {"end", 89}}, 3};
    return layout;
}

LineLayout layoutOfTableInfo(const std::vector<std::string>& titles, const std::vector<std::int32_t>& positions) {
    LineLayout layout;
    layout.columns = titles.empty() ? 0 : titles.size() - 1;
    layout.entries.resize(std::max(positions.size(), layout.columns));
    for (std::size_t i = 0; i < layout.columns; ++i) layout.entries[i].name = titles[i];
    for (std::size_t j = 0; j < positions.size(); ++j)
        layout.entries[j].offset = static_cast<std::uint64_t>(std::max<std::int32_t>(positions[j], 0));
    return layout;
}

std::string trimTableCell(std::string_view cell) {
    std::size_t first = !cell.empty() && cell.front() == '+' ? 1 : 0;
    std::size_t last = cell.size();
    while (last > first && isSpace(cell[last - 1])) --last;
    return std::string(cell.substr(first, last - first));
}

TableRow rowOfLine(const std::string& line, const LineLayout& layout) {
    TableRow row;
    const auto& entries = layout.entries;
    if (entries.empty()) return row;
    const std::uint64_t origin = entries.front().offset;
    // Offsets count characters. In a line of plain ASCII they are bytes, and
    // the line is not walked again from its start for every column.
    const bool ascii = std::all_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    const std::uint64_t length = ascii ? line.size() : dnc::characterCount(line);
    row.reserve(layout.columns);
    for (std::size_t i = 0; i < layout.columns && i + 1 < entries.size(); ++i) {
        // A layout that runs backwards gives empty cells rather than wrapped offsets.
        const std::uint64_t start = entries[i].offset >= origin ? entries[i].offset - origin : 0;
        const std::uint64_t end = entries[i + 1].offset >= origin ? entries[i + 1].offset - origin : 0;
        if (start >= length) break;
        const std::uint64_t count = end > start ? end - start : 0;
        row[entries[i].name] =
            trimTableCell(ascii ? std::string_view(line).substr(start, count) : dnc::characters(line, start, count));
    }
    return row;
}

void appendTableColumn(std::string& names, std::string& values, const std::string& name, const std::string& value) {
    const std::size_t width = std::max(dnc::characterCount(name), dnc::characterCount(value)) + 1;
    names += dnc::padded(name, width);
    values += dnc::padded(value, width);
}

std::string tableFileText(const std::string& header, const std::string& keyColumn, const std::string& keyValue,
                          const TableRow& row) {
    requireNoWhitespace("column name", keyColumn);
    requireNoInnerWhitespace("key value", keyValue);
    std::string names;
    std::string values;
    appendTableColumn(names, values, keyColumn, keyValue);
    for (const auto& [column, value] : row) {
        if (column.empty()) throw std::invalid_argument("Invalid empty column name for a table file");
        requireNoWhitespace("column name", column);
        requireNoInnerWhitespace("value", value, column);
        appendTableColumn(names, values, column, value);
    }
    return header + "\n" + names + "\n" + values + "\n";
}

}  // namespace heidenhain
