#pragma once
// The tool in the spindle of a simulated control: pocket 0 of the pocket
// table, which a TOOL CALL block of a running program changes.
#include <cstdint>
#include <optional>
#include <string>

namespace dncsim {

class DataTree;

// The tool number of a block "<n> TOOL CALL <tool> ..."; none for any other
// block, and for a tool called by name or with an index.
std::optional<std::int32_t> toolCalled(const std::string& block);

// Puts the tool into the spindle. The pocket that held it takes the tool that
// was in the spindle (a magazine with variable pockets). Answers the tool that
// was in the spindle, 0 for none; nothing when the tool was there already
// (a tool call that only changes the speed changes no tool).
std::optional<std::int32_t> changeSpindleTool(DataTree& tree, std::int32_t tool);

}  // namespace dncsim
