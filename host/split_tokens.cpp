#include "host/split_tokens.h"

namespace heidenhain {

std::vector<std::string> splitTokens(const std::string& text, const std::string& delimiters) {
    std::vector<std::string> tokens;
    std::string::size_type begin = text.find_first_not_of(delimiters);
    while (begin != std::string::npos) {
        const auto end = text.find_first_of(delimiters, begin);
        tokens.push_back(text.substr(begin, end == std::string::npos ? std::string::npos : end - begin));
        begin = text.find_first_not_of(delimiters, end);
    }
    return tokens;
}

}  // namespace heidenhain
