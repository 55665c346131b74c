#pragma once
// Where the DataAccess controls keep the tool table, and the columns read there.
#include <string>
#include <vector>

namespace heidenhain {

inline const std::string TOOL_DATA_PATH = "\\TABLE\\TOOL\\";
inline const std::vector<std::string> TOOL_TABLE_COLUMNS{"NAME", "L",     "R",        "R2",  "DL",  "DR",
                                                         "DR2",  "TIME1", "TIME2", "CUR_TIME", "PLC", "PTYP"};

}  // namespace heidenhain
