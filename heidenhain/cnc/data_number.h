#pragma once
// A client's number as the SDK value that holds it unchanged.
#include <optional>

#include "agent/number.h"
#include "dnc/variant.h"

namespace heidenhain {

// For the newer controls, which take the value as given: an integer as VT_I4
// where it fits, else VT_I8; a fraction as VT_R8.
dnc::Variant numberVariant(const nolt::Number& number);

// For the older controls, whose entries keep their type: the number in the
// type of the entry's current value. An integer goes into every integer type
// and into VT_R8 and VT_DATE, a fraction into VT_R8 and VT_DATE only; empty
// for any other type. std::out_of_range when the type cannot hold the number
// exactly.
std::optional<dnc::Variant> numberAs(dnc::VARTYPE current, const nolt::Number& number);

}  // namespace heidenhain
