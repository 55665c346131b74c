#include "heidenhain/tables/table_pocket_file.h"

#include <algorithm>
#include <cctype>

#include "dnc/utf8.h"
#include "heidenhain/session/session_log.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

// Lines end at "\n", a "\r" before it included; the last may end with the buffer.
std::vector<std::string> linesOf(const std::string& buffer) {
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < buffer.size()) {
        std::size_t end = buffer.find('\n', at);
        const std::size_t next = end == std::string::npos ? buffer.size() : end + 1;
        if (end == std::string::npos) end = buffer.size();
        if (end > at && buffer[end - 1] == '\r' && end < buffer.size()) --end;
        lines.push_back(buffer.substr(at, end - at));
        at = next;
    }
    return lines;
}

// A name at the start of the header and after every run of spaces; the
// first column starts at the start of the line whatever comes first.
std::vector<TableColumn> headerColumns(const std::string& header) {
    std::vector<TableColumn> columns;
    for (std::size_t at = header.find_first_not_of(' '); at != std::string::npos;
         at = header.find_first_not_of(' ', header.find(' ', at))) {
        const std::size_t end = header.find(' ', at);
        columns.push_back({header.substr(at, end - at), columns.empty() ? 0 : at});
        if (end == std::string::npos) break;
    }
    columns.push_back({"end", header.size()});
    return columns;
}

std::string withoutTrailingWhitespace(const std::string& text) {
    std::size_t last = text.size();
    while (last > 0 && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
    return text.substr(0, last);
}

void warnUnknownFormat(const std::string& buffer) {
    const std::string text = "The downloaded pocket table file does match the known format. First 40 bytes: " +
                             buffer.substr(0, 40);
    platform::logConsole(platform::Severity::Warning, text);
    logWarning("convertTNC426PocketTableBuffer", text);
}

}  // namespace

PocketTableFile convertTNC426PocketTableBuffer(const std::string& buffer) {
    PocketTableFile file;
    if (buffer.compare(0, 5, "BEGIN") != 0) {
        warnUnknownFormat(buffer);
        return file;
    }
    const auto lines = linesOf(buffer);
    file.columns = headerColumns(lines.size() > 1 ? lines[1] : std::string());
    // The BEGIN line, the header and "[END]" hold no rows.
    const auto lineEnds = static_cast<std::size_t>(std::count(buffer.begin(), buffer.end(), '\n'));
    if (lineEnds <= 3) return file;
    const std::size_t maxRows = lineEnds - 3;

    auto& end = file.columns.back().offset;
    for (std::size_t i = 2; i < lines.size() && file.rows.size() < maxRows; ++i) {
        const std::string& line = lines[i];
        // Offsets count characters.
        const std::uint64_t length = dnc::characterCount(line);
        if (line == "[END]" || length < end) break;
        // The first data line may run past the header: its last column then
        // ends with it, and so must every later line.
        if (i == 2) end = std::max<std::uint64_t>(end, length);
        TableRow row;
        for (std::size_t c = 0; c + 1 < file.columns.size(); ++c) {
            const auto start = file.columns[c].offset;
            row[file.columns[c].name] = withoutTrailingWhitespace(
                std::string(dnc::characters(line, start, file.columns[c + 1].offset - start)));
        }
        file.rows.push_back(std::move(row));
    }
    return file;
}

}  // namespace heidenhain
