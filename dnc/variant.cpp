#include "dnc/variant.h"

#include <utility>

namespace dnc {
namespace {

bool isSignedTag(VARTYPE vt) {
    switch (vt) {
        case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT: case VT_CY: case VT_ERROR:
            return true;
        default:
            return false;
    }
}

bool isUnsignedTag(VARTYPE vt) {
    switch (vt) {
        case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
            return true;
        default:
            return false;
    }
}

bool isRealTag(VARTYPE vt) { return vt == VT_R4 || vt == VT_R8 || vt == VT_DATE; }

}  // namespace

Variant::Variant(VARTYPE vt, Value value) : vt_(vt), value_(std::move(value)) {}
Variant::Variant(std::string text) : Variant(VT_BSTR, std::move(text)) {}
Variant::Variant(const char* text) : Variant(VT_BSTR, std::string(text ? text : "")) {}
Variant::Variant(std::int32_t value) : Variant(VT_I4, std::int64_t{value}) {}
Variant::Variant(float value) : Variant(VT_R4, double{value}) {}
Variant::Variant(double value) : Variant(VT_R8, value) {}

Variant Variant::null() { return Variant(VT_NULL, std::monostate{}); }

Variant Variant::boolean(bool value) {
    return Variant(VT_BOOL, std::int64_t{value ? VARIANT_TRUE : VARIANT_FALSE});
}

// A tag outside the family would make the typed reads disagree with vt();
// such a request yields VT_EMPTY rather than a mislabelled value.
Variant Variant::fromSigned(VARTYPE vt, std::int64_t value) {
    return isSignedTag(vt) ? Variant(vt, value) : Variant();
}

Variant Variant::fromUnsigned(VARTYPE vt, std::uint64_t value) {
    return isUnsignedTag(vt) ? Variant(vt, value) : Variant();
}

Variant Variant::fromReal(VARTYPE vt, double value) {
    return isRealTag(vt) ? Variant(vt, value) : Variant();
}

Variant Variant::error(HRESULT scode) { return Variant(VT_ERROR, std::int64_t{scode}); }
Variant Variant::missing() { return error(kParamNotFound); }

Variant Variant::dispatch(std::shared_ptr<Object> object) {
    return Variant(VT_DISPATCH, std::move(object));
}

Variant Variant::array(VARTYPE elementType, std::vector<Variant> elements) {
    return Variant(static_cast<VARTYPE>(VT_ARRAY | elementType), std::move(elements));
}

std::int64_t Variant::signedValue() const {
    return isSignedTag(vt_) ? std::get<std::int64_t>(value_) : 0;
}

std::uint64_t Variant::unsignedValue() const {
    return isUnsignedTag(vt_) ? std::get<std::uint64_t>(value_) : 0;
}

double Variant::realValue() const { return isRealTag(vt_) ? std::get<double>(value_) : 0.0; }

VariantBool Variant::boolValue() const {
    return vt_ == VT_BOOL ? static_cast<VariantBool>(std::get<std::int64_t>(value_)) : VARIANT_FALSE;
}

const std::string& Variant::text() const {
    static const std::string empty;
    return vt_ == VT_BSTR ? std::get<std::string>(value_) : empty;
}

const std::vector<Variant>& Variant::elements() const {
    static const std::vector<Variant> none;
    return isArray() ? std::get<std::vector<Variant>>(value_) : none;
}

std::shared_ptr<Object> Variant::object() const {
    return vt_ == VT_DISPATCH ? std::get<std::shared_ptr<Object>>(value_) : nullptr;
}

void Variant::clear() { *this = Variant(); }

bool operator==(const Variant& a, const Variant& b) { return a.vt_ == b.vt_ && a.value_ == b.value_; }

}  // namespace dnc
