#pragma once
#include <string>
#include <vector>

namespace heidenhain {

// The maximal runs of characters that are not delimiters, in order; never an
// empty token. Quotes have no meaning here.
std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiters);

}  // namespace heidenhain
