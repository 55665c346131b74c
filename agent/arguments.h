#pragma once
// Turning the "data" of a request into call arguments, and parameter types
// into the JSON type names that make up a function key.
#include <string>
#include <type_traits>

#include <nlohmann/json.hpp>

namespace nolt {

// The data entry of the i-th argument ("_1", "_2", ...).
inline std::string argumentKey(std::size_t index) { return "_" + std::to_string(index + 1); }

// The argument's JSON value; a missing entry reads as null without being added.
inline const nlohmann::json& argumentValue(const nlohmann::json& message, std::size_t index) {
    static const nlohmann::json null;
    auto data = message.find("data");
    if (data == message.end() || !data->is_object()) return null;
    auto value = data->find(argumentKey(index));
    return value == data->end() ? null : *value;
}

// How one parameter type is read from a request. Specialised for callbacks.
template <typename T, typename Enable = void>
struct Argument {
    static std::string typeName() { return nlohmann::json(T{}).type_name(); }
    static T convert(const nlohmann::json& message, std::size_t index) {
        return argumentValue(message, index).template get<T>();
    }
};

template <typename T>
using Plain = std::remove_cv_t<std::remove_reference_t<T>>;

// The function key: name, then "-" and the type names when there are parameters.
template <typename... P>
std::string functionKey(const std::string& name) {
    std::string signature;
    ((signature += Argument<Plain<P>>::typeName()), ...);
    return signature.empty() ? name : name + "-" + signature;
}

}  // namespace nolt
