#include "heidenhain/tables/table_ids.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace heidenhain {
namespace {

bool isBlank(unsigned char c) { return std::isspace(c) != 0; }

bool isDigits(const std::string& text, std::size_t from, std::size_t to) {
    if (from >= to) return false;
    for (std::size_t i = from; i < to; ++i)
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

}  // namespace

std::string trimmedId(const std::string& id) {
    std::size_t begin = 0;
    std::size_t end = id.size();
    while (begin < end && isBlank(id[begin])) ++begin;
    while (end > begin && isBlank(id[end - 1])) --end;
    return id.substr(begin, end - begin);
}

std::optional<double> idNumber(const std::string& id) {
    const std::string text = trimmedId(id);
    const std::size_t point = text.find('.');
    const bool plain = point == std::string::npos
                           ? isDigits(text, 0, text.size())
                           : isDigits(text, 0, point) && isDigits(text, point + 1, text.size());
    if (!plain) return std::nullopt;
    return std::strtod(text.c_str(), nullptr);
}

std::string toolIdArgument(const std::string& toolId) {
    if (!idNumber(toolId)) throw std::invalid_argument("Invalid argument: Tool id \"" + toolId + "\" is not a number");
    return trimmedId(toolId);
}

void throwKeyColumnWrite() {
    throw std::invalid_argument("Invalid argument: the key column T of the tool table cannot be written");
}

void refuseKeyChange(const TableRow& row, const std::string& toolId) {
    const auto key = row.find("T");
    if (key != row.end() && trimmedId(key->second) != toolId) throwKeyColumnWrite();
}

}  // namespace heidenhain
