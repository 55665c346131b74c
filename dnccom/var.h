#pragma once
// An owned VARIANT: cleared once when it goes.
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <utility>

#include "dnc/variant.h"

namespace dnccom {

class Var {
public:
    // Zeroed as a whole, not only its type: a by-reference out slot must hold
    // nothing that clearing after a failed call would free.
    Var() : v_{} { VariantInit(&v_); }
    ~Var() { VariantClear(&v_); }
    Var(const Var&) = delete;
    Var& operator=(const Var&) = delete;
    Var(Var&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }
    Var& operator=(Var&& other) noexcept {
        std::swap(v_, other.v_);
        return *this;
    }

    static Var copy(const VARIANT& value);
    static Var i4(LONG value);
    static Var text(const std::string& utf8);
    static Var boolean(dnc::VariantBool value);
    // Holds its own reference.
    static Var dispatch(IDispatch* object);
    static Var from(const dnc::Variant& value);

    VARIANT* get() { return &v_; }
    const VARIANT* get() const { return &v_; }

    // Reads that convert as VariantChangeType does; 0 or empty when they cannot.
    LONG asI4() const;
    std::string asText() const;
    dnc::VariantBool asBool() const;
    // The interface held (VT_DISPATCH or VT_UNKNOWN), with a reference of its own; null otherwise.
    IUnknown* takeUnknown();
    dnc::Variant toDnc() const;

private:
    VARIANT v_;
};

// The dnc value of a VARIANT (by-reference values read through); objects
// become generic objects that keep their reference.
dnc::Variant toDncVariant(const VARIANT& value);
// VARIANT of a dnc value; dnc objects that wrap a component object pass it
// on, other objects travel as VT_EMPTY.
HRESULT toComVariant(const dnc::Variant& value, VARIANT* out);

}  // namespace dnccom
