#pragma once
// The adapter's side of a component object: the reference it holds and the
// calls through IDispatch, by the names bound from the type library.
#include <oaidl.h>

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "dnc/object.h"
#include "dnc/variant.h"
#include "dnccom/com_ptr.h"
#include "dnccom/component.h"
#include "dnccom/var.h"

namespace dnccom {

// One argument of a call in the order of our call: a value to pass, or the
// place that receives an out value (a return value comes last).
struct Arg {
    const VARIANT* in = nullptr;
    Var* out = nullptr;
};
inline Arg in(const Var& value) { return {value.get(), nullptr}; }
inline Arg out(Var& value) { return {nullptr, &value}; }

// Calls the method; the component's own result code comes back unchanged
// (also when IDispatch reports it as an exception). Parameters that the
// component declares optional and our call leaves out are passed as missing
// or as their default; an in argument holding notBound() is not passed at all.
HRESULT invoke(IDispatch* target, const Method& method, std::initializer_list<Arg> args);

// An in argument for a constant the component lacks: the call fails with
// kNotBound before it reaches the component.
Var notBound();

// Holds one reference to the component object, released once with the holder.
class ComObject {
public:
    ComObject(ComPtr<IDispatch> object, const InterfaceBinding& binding)
        : object_(std::move(object)), binding_(binding) {}
    virtual ~ComObject() = default;
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    IDispatch* dispatch() const { return object_.get(); }

protected:
    // kNotBound when the component lacks the method (failureText() says which).
    HRESULT call(std::string_view method, std::initializer_list<Arg> args) const {
        const Method* found = binding_.method(method);
        return found ? invoke(object_.get(), *found, args) : kNotBound;
    }
    // A call whose only argument is one out value.
    template <class T>
    HRESULT get(std::string_view method, T* value) const;
    template <class T>
    HRESULT get(std::string_view method, const Var& argument, T* value) const;

private:
    ComPtr<IDispatch> object_;
    const InterfaceBinding& binding_;
};

// A component object that we only hold or pass on.
class UnknownObject final : public dnc::Object {
public:
    explicit UnknownObject(ComPtr<IUnknown> object) : object_(std::move(object)) {}
    IUnknown* unknown() const { return object_.get(); }

private:
    ComPtr<IUnknown> object_;
};

// The component object behind one of our objects, or null for an object of
// another implementation.
IUnknown* componentObject(const dnc::Object* object);
// The same for the objects we call (null for an object only held).
IDispatch* componentDispatch(const dnc::Object* object);

// Out values into our types; nothing is written on failure.
HRESULT assign(HRESULT hr, const Var& value, std::int32_t* out);
HRESULT assign(HRESULT hr, const Var& value, std::string* out);
HRESULT assign(HRESULT hr, const Var& value, dnc::Variant* out);
HRESULT assign(HRESULT hr, const Var& value, dnc::VariantBool* out);

// Wraps the interface pointer in the value as Adapter, asking the object for
// Adapter's interface by the IID of the library.
template <class Adapter, class Interface>
HRESULT assignObject(HRESULT hr, Var& value, std::shared_ptr<Interface>* out) {
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> unknown = ComPtr<IUnknown>::attach(value.takeUnknown());
    if (!unknown) {
        out->reset();
        return hr;
    }
    ComPtr<IDispatch> typed;
    // An interface the library does not describe is still called, and fails naming it.
    const HRESULT queried =
        unknown.queryInterface(Component::instance().interfaceNamed(Adapter::kInterface).dispatchIid(), &typed);
    if (FAILED(queried)) return queried;
    *out = std::make_shared<Adapter>(std::move(typed));
    return hr;
}

template <class T>
HRESULT ComObject::get(std::string_view method, T* value) const {
    if (value == nullptr) return E_POINTER;
    Var result;
    return assign(call(method, {out(result)}), result, value);
}

template <class T>
HRESULT ComObject::get(std::string_view method, const Var& argument, T* value) const {
    if (value == nullptr) return E_POINTER;
    Var result;
    return assign(call(method, {in(argument), out(result)}), result, value);
}

}  // namespace dnccom
