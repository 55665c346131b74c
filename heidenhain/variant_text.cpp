#include "heidenhain/variant_text.h"

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

}  // namespace

std::string variantToText(const dnc::Variant& value) {
    std::ostringstream text;
    switch (kindOf(value.vt())) {
        case Kind::Signed: text << value.signedValue(); break;
        case Kind::Unsigned: text << value.unsignedValue(); break;
        case Kind::Real: text << value.realValue(); break;
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
        case Kind::Real: return value.realValue();
        case Kind::Boolean: return value.boolValue() == dnc::VARIANT_TRUE;
        case Kind::Text: return value.text();
        case Kind::None: break;
    }
    return nullptr;
}

}  // namespace heidenhain
