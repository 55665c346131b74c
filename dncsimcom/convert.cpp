#include "dncsimcom/convert.h"

namespace dncsimcom {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The code point at text[*at], moving *at past it; a byte that starts no
// valid sequence (overlong, surrogate, cut short) is one replacement.
char32_t decodeUtf8(std::string_view text, std::size_t* at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(*at);
    std::size_t length = 1;
    char32_t value = lead;
    char32_t least = 0;
    if (lead >= 0xF0 && lead < 0xF8) length = 4, value = lead & 0x07, least = 0x10000;
    else if (lead >= 0xE0 && lead < 0xF0) length = 3, value = lead & 0x0F, least = 0x800;
    else if (lead >= 0xC0 && lead < 0xE0) length = 2, value = lead & 0x1F, least = 0x80;
    else if (lead >= 0x80) return ++*at, kReplacement;
    if (text.size() - *at < length) return ++*at, kReplacement;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(*at + i) & 0xC0) != 0x80) return ++*at, kReplacement;
        value = value << 6 | (byte(*at + i) & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value < 0xE000)) return ++*at, kReplacement;
    *at += length;
    return value;
}

void encodeUtf8(char32_t value, std::string* out) {
    const auto put = [&](unsigned bits) { out->push_back(static_cast<char>(bits)); };
    if (value < 0x80) return put(value);
    if (value < 0x800) return put(0xC0 | value >> 6), put(0x80 | (value & 0x3F));
    if (value < 0x10000) return put(0xE0 | value >> 12), put(0x80 | (value >> 6 & 0x3F)), put(0x80 | (value & 0x3F));
    put(0xF0 | value >> 18);
    put(0x80 | (value >> 12 & 0x3F));
    put(0x80 | (value >> 6 & 0x3F));
    put(0x80 | (value & 0x3F));
}

bool isHigh(wchar_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool isLow(wchar_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

enum class Family { Signed, Unsigned, Real, Other };

Family familyOf(VARTYPE type) {
    switch (type) {
        case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT: return Family::Signed;
        case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT: return Family::Unsigned;
        case VT_R4: case VT_R8: case VT_DATE: return Family::Real;
        default: return Family::Other;
    }
}

// The value widened to `wide` (VT_I8, VT_UI8 or VT_R8) by COM's own rules.
VARIANT widened(const VARIANT& value, VARTYPE wide) {
    VARIANT result;
    VariantInit(&result);
    VariantChangeType(&result, const_cast<VARIANT*>(&value), 0, wide);
    return result;
}

// *out narrowed from its wide type to `type`.
HRESULT narrowTo(VARIANT* out, VARTYPE type) {
    return out->vt == type ? S_OK : VariantChangeType(out, out, 0, type);
}

}  // namespace

std::wstring utf16(std::string_view utf8) {
    std::wstring out;
    out.reserve(utf8.size());
    for (std::size_t at = 0; at < utf8.size();) {
        const char32_t value = decodeUtf8(utf8, &at);
        if (value < 0x10000) {
            out.push_back(static_cast<wchar_t>(value));
        } else {
            out.push_back(static_cast<wchar_t>(0xD800 + ((value - 0x10000) >> 10)));
            out.push_back(static_cast<wchar_t>(0xDC00 + ((value - 0x10000) & 0x3FF)));
        }
    }
    return out;
}

std::string utf8(std::wstring_view utf16) {
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        const wchar_t unit = utf16[i];
        if (isHigh(unit) && i + 1 < utf16.size() && isLow(utf16[i + 1])) {
            encodeUtf8(0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(utf16[i + 1]) - 0xDC00), &out);
            ++i;
        } else {
            encodeUtf8(isHigh(unit) || isLow(unit) ? kReplacement : char32_t(unit), &out);
        }
    }
    return out;
}

BSTR bstrOf(const std::string& text) {
    const std::wstring wide = utf16(text);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string textOf(BSTR text) { return text ? utf8(std::wstring_view(text, SysStringLen(text))) : std::string(); }

dnc::Variant simValue(const VARIANT& value) {
    if (value.vt & VT_BYREF) {
        VARIANT direct;
        VariantInit(&direct);
        if (FAILED(VariantCopyInd(&direct, const_cast<VARIANT*>(&value)))) return dnc::Variant::error(DISP_E_BADVARTYPE);
        dnc::Variant result = simValue(direct);
        VariantClear(&direct);
        return result;
    }
    const auto type = static_cast<dnc::VARTYPE>(value.vt);
    switch (familyOf(value.vt)) {
        case Family::Signed: return dnc::Variant::fromSigned(type, widened(value, VT_I8).llVal);
        case Family::Unsigned: return dnc::Variant::fromUnsigned(type, widened(value, VT_UI8).ullVal);
        case Family::Real: return dnc::Variant::fromReal(type, widened(value, VT_R8).dblVal);
        case Family::Other: break;
    }
    switch (value.vt) {
        case VT_EMPTY: return {};
        case VT_NULL: return dnc::Variant::null();
        case VT_BSTR: return dnc::Variant(textOf(value.bstrVal));
        case VT_BOOL: return dnc::Variant::boolean(value.boolVal != VARIANT_FALSE);
        case VT_ERROR: return dnc::Variant::error(value.scode);
        case VT_CY: return dnc::Variant::fromSigned(dnc::VT_CY, value.cyVal.int64);
        default: return dnc::Variant::error(DISP_E_BADVARTYPE);
    }
}

HRESULT putValue(const dnc::Variant& value, VARIANT* out) {
    VariantInit(out);
    const VARTYPE type = value.vt();
    switch (familyOf(type)) {
        case Family::Signed: out->vt = VT_I8, out->llVal = value.signedValue(); return narrowTo(out, type);
        case Family::Unsigned: out->vt = VT_UI8, out->ullVal = value.unsignedValue(); return narrowTo(out, type);
        case Family::Real: out->vt = VT_R8, out->dblVal = value.realValue(); return narrowTo(out, type);
        case Family::Other: break;
    }
    switch (type) {
        case VT_EMPTY: case VT_NULL: out->vt = type; return S_OK;
        case VT_BSTR:
            out->bstrVal = bstrOf(value.text());
            if (out->bstrVal == nullptr) return E_OUTOFMEMORY;
            out->vt = VT_BSTR;
            return S_OK;
        case VT_BOOL: out->vt = VT_BOOL, out->boolVal = value.boolValue() ? VARIANT_TRUE : VARIANT_FALSE; return S_OK;
        case VT_ERROR: out->vt = VT_ERROR, out->scode = static_cast<SCODE>(value.signedValue()); return S_OK;
        case VT_CY: out->vt = VT_CY, out->cyVal.int64 = value.signedValue(); return S_OK;
        default: return DISP_E_BADVARTYPE;
    }
}

OwnedVariant::OwnedVariant(const dnc::Variant& value) {
    if (FAILED(putValue(value, &v_))) VariantInit(&v_);
}

OwnedVariant OwnedVariant::adopt(IDispatch* object) {
    OwnedVariant owned;
    owned.v_.vt = VT_DISPATCH;
    owned.v_.pdispVal = object;
    return owned;
}

}  // namespace dncsimcom
