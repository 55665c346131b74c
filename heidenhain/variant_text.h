#pragma once
// SDK values (VARIANTs) as the texts and JSON values that clients receive.
#include <string>

#include <nlohmann/json.hpp>

#include "dnc/variant.h"

namespace heidenhain {

// Integers in decimal, floating values in the stream's default format (up to
// six significant digits), VT_BOOL as "1" or "0", VT_I1 as one character,
// texts as they are; every other type (empty, null, currency, objects,
// errors, arrays, references) as the empty text.
std::string variantToText(const dnc::Variant& value);

// Integers and floating values as JSON numbers, VT_BOOL as a boolean, texts
// as strings; every other type as null.
nlohmann::json variantToJson(const dnc::Variant& value);

}  // namespace heidenhain
