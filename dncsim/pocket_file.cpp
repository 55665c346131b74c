#include "dncsim/pocket_file.h"

#include "dncsim/table_rows.h"

namespace dncsim {

std::string pocketFile(const DataTree& tree) {
    const TextTable& table = pocketTextTable();
    std::string file = "BEGIN TOOL_P.TCH MM\r\n" + table.titleLine() + "\r\n";
    for (const auto& row : readRows(tree, table)) file += table.line(row) + "\r\n";
    return file + "[END]\r\n";
}

}  // namespace dncsim
