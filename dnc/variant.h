#pragma once
// The SDK's VARIANT: a type tag with COM's numbers and the value. Texts are
// UTF-8 std::string on our side; a COM adapter converts to and from BSTR.
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "dnc/result.h"

namespace dnc {

class Object;

using VARTYPE = std::uint16_t;

enum VARENUM : VARTYPE {
    VT_EMPTY = 0,
    VT_NULL = 1,
    VT_I2 = 2,
    VT_I4 = 3,
    VT_R4 = 4,
    VT_R8 = 5,
    VT_CY = 6,
    VT_DATE = 7,
    VT_BSTR = 8,
    VT_DISPATCH = 9,
    VT_ERROR = 10,
    VT_BOOL = 11,
    VT_I1 = 16,
    VT_UI1 = 17,
    VT_UI2 = 18,
    VT_UI4 = 19,
    VT_I8 = 20,
    VT_UI8 = 21,
    VT_INT = 22,
    VT_UINT = 23,
    VT_ARRAY = 0x2000,
    VT_BYREF = 0x4000,
};

// VARIANT_BOOL: true is -1, not 1.
using VariantBool = std::int16_t;
// Windows headers define these as macros; their expansion means the same.
#ifndef VARIANT_TRUE
inline constexpr VariantBool VARIANT_TRUE = -1;
#endif
#ifndef VARIANT_FALSE
inline constexpr VariantBool VARIANT_FALSE = 0;
#endif

class Variant {
public:
    Variant() = default;  // VT_EMPTY
    Variant(std::string text);  // VT_BSTR
    Variant(const char* text);  // VT_BSTR
    Variant(std::int32_t value);  // VT_I4
    Variant(float value);  // VT_R4
    Variant(double value);  // VT_R8
    // A bool would silently become VT_I4; say boolean() instead.
    Variant(bool) = delete;

    static Variant null();  // VT_NULL
    static Variant boolean(bool value);  // VT_BOOL holding VARIANT_TRUE or VARIANT_FALSE
    // For VT_I1, VT_I2, VT_I4, VT_I8, VT_INT, VT_CY (scaled by 10000) and VT_ERROR.
    static Variant fromSigned(VARTYPE vt, std::int64_t value);
    // For VT_UI1, VT_UI2, VT_UI4, VT_UI8, VT_UINT.
    static Variant fromUnsigned(VARTYPE vt, std::uint64_t value);
    // For VT_R4, VT_R8, VT_DATE (days since 30 December 1899).
    static Variant fromReal(VARTYPE vt, double value);
    static Variant error(HRESULT scode);  // VT_ERROR
    // The omitted optional argument: VT_ERROR holding DISP_E_PARAMNOTFOUND.
    static Variant missing();
    static Variant dispatch(std::shared_ptr<Object> object);  // VT_DISPATCH
    // A one-dimensional SAFEARRAY: the tag is VT_ARRAY | elementType.
    static Variant array(VARTYPE elementType, std::vector<Variant> elements);

    VARTYPE vt() const { return vt_; }
    bool isEmpty() const { return vt_ == VT_EMPTY; }
    bool isArray() const { return (vt_ & VT_ARRAY) != 0; }

    // Typed reads. Each answers its own family of tags and 0 / empty for any
    // other tag, so that a reader never sees the bits of another type.
    std::int64_t signedValue() const;  // VT_I1, VT_I2, VT_I4, VT_I8, VT_INT, VT_CY, VT_ERROR
    std::uint64_t unsignedValue() const;  // VT_UI1, VT_UI2, VT_UI4, VT_UI8, VT_UINT
    double realValue() const;  // VT_R4, VT_R8, VT_DATE
    VariantBool boolValue() const;  // VT_BOOL
    const std::string& text() const;  // VT_BSTR
    const std::vector<Variant>& elements() const;  // arrays
    std::shared_ptr<Object> object() const;  // VT_DISPATCH

    // VariantClear: back to VT_EMPTY.
    void clear();

    friend bool operator==(const Variant& a, const Variant& b);

private:
    using Value = std::variant<std::monostate, std::int64_t, std::uint64_t, double, std::string,
                               std::vector<Variant>, std::shared_ptr<Object>>;
    Variant(VARTYPE vt, Value value);

    VARTYPE vt_ = VT_EMPTY;
    Value value_;
};

}  // namespace dnc
