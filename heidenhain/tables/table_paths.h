#pragma once
// Where the tool and pocket tables lie in the DataAccess tree.
#include <string>
#include <vector>

#include "heidenhain/tables/tool_table_columns.h"

namespace heidenhain {

inline const std::string POCKET_DATA_PATH = "\\TABLE\\TOOL_P\\";
// The key column of the tool table.
inline const std::string PRIMARY_KEY = "T";

// \TABLE\TOOL\T\<id>
inline std::string toolRowPath(const std::string& toolId) { return TOOL_DATA_PATH + "T\\" + toolId; }
inline std::string toolCellPath(const std::string& toolId, const std::string& column) {
    return toolRowPath(toolId) + "\\" + column;
}

// \TABLE\TOOL_P\P\'<p>'\T: the pocket number quoted as a key.
inline std::string pocketToolPath(const std::string& pocketId) {
    return POCKET_DATA_PATH + "P\\'" + pocketId + "'\\" + "T";
}
// \TABLE\TOOL_P\P\<p>\<column>: the TNC 426 addresses pocket cells unquoted.
inline std::string tnc426PocketCellPath(const std::string& pocketId, const std::string& column) {
    return POCKET_DATA_PATH + "P\\" + pocketId + "\\" + column;
}
// \TABLE\TOOL_P\T\<t>\P: the pocket that holds tool t.
inline std::string pocketOfToolPath(const std::string& toolId) {
    return POCKET_DATA_PATH + "T\\" + toolId + "\\" + "P";
}

}  // namespace heidenhain
