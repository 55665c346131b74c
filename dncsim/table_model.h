#pragma once
// Where a simulated control keeps its tool and pocket tables, and their demo
// rows. The DataAccess tree holds the one copy: the fixed-width table
// interface and the pocket file of the oldest control are views of it.
//
// Tool row <id>:   \TABLE\TOOL\T\<id>\<column>     (<id> as the control writes it, "5" or "5.2")
// Pocket row <p>:  \TABLE\TOOL_P\P\<p>\<column>
// Every cell is a text variant; a row holds an entry for every column of its
// table, the key column included.
#include <string>
#include <vector>

namespace dncsim {

class DataTree;
enum class Family;

inline constexpr const char* kToolRowsPath = "\\TABLE\\TOOL\\T";
inline constexpr const char* kPocketRowsPath = "\\TABLE\\TOOL_P\\P";

// The columns of each table in line order, the key column first.
const std::vector<std::string>& toolColumns(Family family);
const std::vector<std::string>& pocketColumns(Family family);

// Adds the demo tool and pocket tables of a control of the family.
void addDemoTables(DataTree& tree, Family family);

}  // namespace dncsim
