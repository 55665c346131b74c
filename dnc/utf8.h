#pragma once
// Texts of the CNC boundary are UTF-8 (BSTRs of the COM component are
// converted where they cross it). The fixed-width text tables of the control
// count their column offsets in characters, so a column is cut out of a line
// by characters (code points), not by bytes: a tool name with "Ø" must not
// shift the columns after it.
#include <cstddef>
#include <string>
#include <string_view>

namespace dnc {

// Characters of a UTF-8 text; a byte that starts no valid sequence counts as one.
std::size_t characterCount(std::string_view text);
// At most `count` characters from character `start`; empty past the end.
std::string_view characters(std::string_view text, std::size_t start, std::size_t count = std::string_view::npos);
// The text followed by spaces up to `width` characters (a longer text stays as it is).
std::string padded(std::string_view text, std::size_t width);

}  // namespace dnc
