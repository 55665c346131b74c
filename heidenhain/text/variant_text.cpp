#include "heidenhain/text/variant_text.h"

#include <charconv>
#include <iterator>
#include <sstream>

namespace heidenhain {
namespace {

enum class Kind { Signed, Unsigned, Real, Boolean, Character, Text, None };

// VT_UI1 counts as an unsigned integer: a PLC byte that read as nothing
// would lose its value on the way to the client.
Kind kindOf(dnc::VARTYPE vt) {
    switch (vt) {
        case dnc::VT_I2: case dnc::VT_I4: case dnc::VT_INT: case dnc::VT_I8:
            return Kind::Signed;
        case dnc::VT_UI1: case dnc::VT_UI2: case dnc::VT_UI4: case dnc::VT_UINT: case dnc::VT_UI8:
            return Kind::Unsigned;
        case dnc::VT_R4: case dnc::VT_R8: case dnc::VT_DATE:
            return Kind::Real;
        case dnc::VT_BOOL:
            return Kind::Boolean;
        case dnc::VT_I1:
            return Kind::Character;
        case dnc::VT_BSTR:
            return Kind::Text;
        default:
            return Kind::None;
    }
}

// The shortest text that reads back as the same value. A VT_R4 value is
// written as the single-precision number it is: 0.1f is "0.1", not the
// 0.10000000149011612 of its widened double.
std::string realText(const dnc::Variant& value) {
    char buffer[32];
    const double real = value.realValue();
    const auto written = value.vt() == dnc::VT_R4 ? std::to_chars(buffer, std::end(buffer), static_cast<float>(real))
                                                  : std::to_chars(buffer, std::end(buffer), real);
    return std::string(buffer, written.ptr);
}

// The JSON number of a real: for VT_R4 the double of its text, so that a
// client reads the same number from getValue and from a data event.
double realNumber(const dnc::Variant& value) {
    if (value.vt() != dnc::VT_R4) return value.realValue();
    const std::string text = realText(value);
    double number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

}  // namespace

std::string variantToText(const dnc::Variant& value) {
    std::ostringstream text;
    switch (kindOf(value.vt())) {
        case Kind::Signed: text << value.signedValue(); break;
        case Kind::Unsigned: text << value.unsignedValue(); break;
        case Kind::Real: text << realText(value); break;
        case Kind::Boolean: text << (value.boolValue() == dnc::VARIANT_TRUE ? "1" : "0"); break;
        case Kind::Character: text << static_cast<char>(value.signedValue()); break;
        case Kind::Text: text << value.text(); break;
        case Kind::None: break;
    }
    return text.str();
}

nlohmann::json variantToJson(const dnc::Variant& value) {
    switch (kindOf(value.vt())) {
        case Kind::Signed:
        case Kind::Character:
            return value.signedValue();
        case Kind::Unsigned: return value.unsignedValue();
        case Kind::Real: return realNumber(value);
        case Kind::Boolean: return value.boolValue() == dnc::VARIANT_TRUE;
        case Kind::Text: return value.text();
        case Kind::None: break;
    }
    return nullptr;
}

}  // namespace heidenhain
