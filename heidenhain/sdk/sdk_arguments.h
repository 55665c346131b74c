#pragma once
// Conversions between our values and the SDK's argument and result types.
#include <cstdint>
#include <string>

#include "dnc/variant.h"

namespace heidenhain {

// A text as the SDK's BSTR. Texts stay UTF-8 on our side; a COM adapter
// widens them, so non-ASCII characters pass unchanged.
std::string toBSTR(const std::string& text);

// "__null__" gives an empty VARIANT (the argument left out), any other text,
// the empty one too, a VARIANT holding it as a BSTR.
dnc::Variant toVariant(const std::string& text);

dnc::VariantBool toVariantBool(bool value);

// The 32-bit integer that an SDK result VARIANT holds; 0 when it holds no
// integer of at most 32 bits, as a client cannot tell such a value apart.
std::int32_t int32Of(const dnc::Variant& value);

}  // namespace heidenhain
