#pragma once
// The pocket table as the oldest control hands it out as a file: a BEGIN
// line, the column names at the starts of their columns, one fixed-width line
// per pocket and "[END]", every line ended by "\r\n".
#include <string>

#include "dncsim/data_tree.h"

namespace dncsim {

inline constexpr const char* kPocketFilePath = "TNC:\\TOOL_P.TCH";

// The file of the pocket rows that the tree holds now.
std::string pocketFile(const DataTree& tree);

}  // namespace dncsim
