#pragma once
// SDK values (VARIANTs) as the texts and JSON values that clients receive.
#include <string>

#include <nlohmann/json.hpp>

#include "dnc/variant.h"

namespace heidenhain {

// Integers in decimal, floating values in the shortest text that reads back
// as the same value (single precision for VT_R4), VT_BOOL as "1" or "0", VT_I1 as one character,
// texts as they are; every other type (empty, null, currency, objects,
// errors, arrays, references) as the empty text.
std::string variantToText(const dnc::Variant& value);

// Integers and floating values as JSON numbers (a VT_R4 value as the number
// of its text above), VT_BOOL as a boolean, texts
// as strings; every other type as null.
nlohmann::json variantToJson(const dnc::Variant& value);

}  // namespace heidenhain
