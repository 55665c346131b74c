#include "heidenhain/sdk/sdk_arguments.h"

namespace heidenhain {

std::string toBSTR(const std::string& text) { return text; }

dnc::Variant toVariant(const std::string& text) {
    if (text == "__null__") return dnc::Variant();
    return dnc::Variant(text);
}

dnc::VariantBool toVariantBool(bool value) { return value ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE; }

std::int32_t int32Of(const dnc::Variant& value) {
    switch (value.vt()) {
        case dnc::VT_I1:
        case dnc::VT_I2:
        case dnc::VT_I4:
        case dnc::VT_INT:
            return static_cast<std::int32_t>(value.signedValue());
        case dnc::VT_UI1:
        case dnc::VT_UI2:
            return static_cast<std::int32_t>(value.unsignedValue());
        default:
            return 0;
    }
}

}  // namespace heidenhain
