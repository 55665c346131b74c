#pragma once
// A number argument as the request carries it: an integer stays an integer
// and a fraction a double, where an int or float parameter would round one
// or the other. Counts as "number" in the function key.
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include "agent/arguments.h"

namespace nolt {

using Number = std::variant<std::int64_t, double>;

template <>
struct Argument<Number> {
    static std::string typeName() { return "number"; }
    static Number convert(const nlohmann::json& message, std::size_t index) {
        const auto& value = argumentValue(message, index);
        if (value.is_number_unsigned()) {
            const auto number = value.get<std::uint64_t>();
            if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                throw std::out_of_range("Number " + value.dump() + " is out of range");
            return static_cast<std::int64_t>(number);
        }
        if (value.is_number_integer()) return value.get<std::int64_t>();
        // Anything but a number fails here with the JSON library's text.
        return value.get<double>();
    }
};

}  // namespace nolt
