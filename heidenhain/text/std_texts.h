#pragma once
// Conversions and checked look-ups whose failure texts reach clients. The
// texts are fixed here rather than taken from the local standard library,
// whose wording differs between implementations.
#include <string>

namespace heidenhain {

// Like std::stoi: leading white space and a sign are accepted, trailing
// characters are ignored. Throws std::invalid_argument("invalid stoi argument")
// or std::out_of_range("stoi argument out of range").
int parseInt(const std::string& text);

// Like std::stof, failing with "invalid stof argument" or
// "stof argument out of range".
float parseFloat(const std::string& text);

// Like std::stod, failing with "invalid stod argument" or
// "stod argument out of range".
double parseDouble(const std::string& text);

// Like std::stoul, failing with "invalid stoul argument" or
// "stoul argument out of range" ("-1" reads as the largest value, as there).
unsigned long parseUnsignedLong(const std::string& text);

// The failure of a checked map access of a missing key:
// std::out_of_range("invalid unordered_map<K, T> key").
[[noreturn]] void throwInvalidMapKey();

}  // namespace heidenhain
