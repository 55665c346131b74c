#include "dncsim/table_file.h"

#include <sstream>

#include "dnc/utf8.h"

namespace dncsim {
namespace {

struct FileColumn {
    const TextColumn* column;
    std::size_t start;
    std::size_t end;  // npos: to the end of the line
};

std::vector<std::string> linesOf(const std::string& content) {
    std::vector<std::string> lines;
    std::istringstream in(content);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool beginsTable(const std::string& line, const TextTable& table) {
    std::istringstream words(line);
    std::string begin, type;
    return (words >> begin >> type) && begin == "BEGIN" && sameName(type, table.fileType());
}

// Each name starts its column, which runs to the next name.
bool columnsOf(const std::string& names, const TextTable& table, std::vector<FileColumn>* columns) {
    for (std::size_t at = names.find_first_not_of(' '); at != std::string::npos;) {
        const std::size_t nameEnd = names.find(' ', at);
        const TextColumn* column = table.column(names.substr(at, nameEnd - at));
        if (column == nullptr) return false;
        const std::size_t next = nameEnd == std::string::npos ? nameEnd : names.find_first_not_of(' ', nameEnd);
        columns->push_back({column, at, next});
        at = next;
    }
    return !columns->empty();
}

}  // namespace

dnc::HRESULT readTableFile(const std::string& content, const TextTable& table, std::vector<TableCells>* rows) {
    const auto lines = linesOf(content);
    std::vector<FileColumn> columns;
    if (lines.size() < 2 || !beginsTable(lines[0], table) || !columnsOf(lines[1], table, &columns))
        return kInvalidTableData;
    bool hasKey = false;
    for (const auto& column : columns) hasKey = hasKey || column.column->name == table.key();
    if (!hasKey) return kInvalidTableData;

    std::vector<TableCells> read;
    for (std::size_t i = 2; i < lines.size() && lines[i] != "[END]"; ++i) {
        const std::string& line = lines[i];
        if (trimmed(line).empty()) continue;
        TableCells cells;
        for (const auto& column : columns) {
            // Offsets count characters.
            if (column.start >= dnc::characterCount(line)) break;
            const std::string value = trimmed(std::string(dnc::characters(line, column.start, column.end - column.start)));
            if (dnc::characterCount(value) >= column.column->width) return kValueOutOfBounds;
            cells[column.column->name] = value;
        }
        const auto key = cells.find(table.key());
        if (key == cells.end() || key->second.empty()) return kRecordNotInserted;
        read.push_back(std::move(cells));
    }
    *rows = std::move(read);
    return dnc::kOk;
}

}  // namespace dncsim
