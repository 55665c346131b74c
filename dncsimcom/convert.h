#pragma once
// The component's own conversions at its COM boundary (it shares none with
// the agent's COM adapter): BSTRs and VARIANTs on the COM side, UTF-8 texts
// and dnc::Variant on the simulator's.
#include <oaidl.h>

#include <string>
#include <string_view>

#include "dnc/variant.h"

namespace dncsimcom {

// Invalid UTF-8 and unpaired surrogates become U+FFFD.
std::wstring utf16(std::string_view utf8);
std::string utf8(std::wstring_view utf16);
// A new BSTR for the receiver to free; null only without memory.
BSTR bstrOf(const std::string& utf8);
// A null BSTR is the empty text.
std::string textOf(BSTR text);

// Values that the simulated controller knows: empty, null, numbers, dates,
// texts, booleans, error codes. Anything else arrives as the error value
// DISP_E_BADVARTYPE, which the simulator refuses like any value of a wrong type.
dnc::Variant simValue(const VARIANT& value);
// Fills *out (not cleared first); DISP_E_BADVARTYPE for a value that COM cannot carry here.
HRESULT putValue(const dnc::Variant& value, VARIANT* out);

// An owned VARIANT, cleared when it goes.
class OwnedVariant {
public:
    OwnedVariant() { VariantInit(&v_); }
    explicit OwnedVariant(const dnc::Variant& value);
    // Holds the reference that the caller hands over.
    static OwnedVariant adopt(IDispatch* object);
    ~OwnedVariant() { VariantClear(&v_); }
    OwnedVariant(const OwnedVariant&) = delete;
    OwnedVariant& operator=(const OwnedVariant&) = delete;
    OwnedVariant(OwnedVariant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }

    const VARIANT& get() const { return v_; }

private:
    VARIANT v_;
};

}  // namespace dncsimcom
