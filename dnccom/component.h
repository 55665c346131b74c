#pragma once
// The vendor's component as its registered type library describes it: found
// by the library's name, every class, interface, event interface, method and
// constant that we use looked up once per process. Nothing about the
// component is compiled in. What cannot be found fails only the operations
// that need it, with a text that names it.
#include <oaidl.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dnccom/com_ptr.h"

namespace dnccom {

class Var;

// The component is missing altogether; the text says what was looked for.
class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
// Its type library is not registered at all.
class LibraryMissing : public ComponentError {
public:
    using ComponentError::ComponentError;
};

struct Param {
    VARTYPE vt = VT_EMPTY;  // for an out parameter: the type it receives
    bool in = true;
    bool out = false;
    // May be left out by the caller: passed as "missing" or as its default.
    bool optional = false;
    std::shared_ptr<const Var> defaultValue;
    // The interface it points to, when the library names one.
    ComPtr<ITypeInfo> interfaceType;
};

// One operation as IDispatch::Invoke calls it.
struct Method {
    DISPID id = DISPID_UNKNOWN;
    WORD flags = DISPATCH_METHOD;  // or DISPATCH_PROPERTYGET / DISPATCH_PROPERTYPUT
    std::vector<Param> params;  // without the return value
    bool returns = false;  // an [out, retval]: the last out argument of our call
    ComPtr<ITypeInfo> returnType;  // the interface returned, when the library names one
    std::string member;  // the component's name of it
};

// How a member that we call was found, for the reports.
enum class Found { byName, byPosition, byShape, missing };

struct MemberReport {
    std::string wanted;  // our call name ("get_readOnly")
    std::string member;  // the component's name, empty when missing
    Found how = Found::missing;
    std::string otherArguments;  // found by name but taking other arguments: its shape
};

struct InterfaceBinding {
    std::string name;  // our name of the interface
    std::string componentName;  // the library's, empty when not found
    std::string foundAs;  // how the interface itself was found
    IID iid{};
    ComPtr<ITypeInfo> type;  // its dispatch view
    std::map<std::string, Method, std::less<>> methods;  // by our call name ("get_Count")
    std::vector<MemberReport> report;
    // Null when the component lacks it; the reason is then noted for the
    // calling thread (failureText()).
    const Method* method(std::string_view name) const;
    bool found() const { return type.get() != nullptr; }
    // The IID to ask an object for: the interface's, or IDispatch when the library has none.
    const IID& dispatchIid() const { return found() ? iid : IID_IDispatch; }
};

enum class EventKind { dispatch, dual, custom };

struct EventBinding {
    std::string name;
    IID iid{};
    EventKind kind = EventKind::dispatch;
    ComPtr<ITypeInfo> vtableType;  // the interface itself, for dual and custom ones
    std::map<DISPID, std::string> methods;  // the handled methods by DISPID, under our names
    std::vector<MemberReport> report;
    bool found() const { return !IsEqualGUID(iid, GUID{}); }
};

struct ConstantReport {
    std::string wanted;
    std::string constant;  // the component's name, empty when missing
    bool byName = false;
};

class Component {
public:
    static constexpr const char* kLibraryName = "HeidenhainDNCLib";

    // The component, loaded on first use; throws ComponentError when the type
    // library or the machine class is not registered.
    static const Component& instance();
    // The next instance() loads the library again (after the component was
    // removed or installed anew); what was bound stays valid.
    static void forget();

    const InterfaceBinding& interfaceNamed(std::string_view name) const;
    const EventBinding& eventsNamed(std::string_view name) const;
    // A constant of the library's enumerations; empty when it lacks it (the
    // reason is then noted for the calling thread).
    std::optional<LONG> constant(std::string_view name) const;
    const CLSID& machineClass() const { return machineClass_; }
    // Null GUID when the library offers no class of attribute sets.
    const CLSID& fileAttributesClass() const { return fileAttributesClass_; }

    // For the reports.
    std::wstring libraryPath;
    std::string libraryVersion;
    const std::vector<InterfaceBinding>& interfaces() const { return interfaceList_; }
    const std::vector<EventBinding>& eventInterfaces() const { return eventList_; }
    const std::vector<ConstantReport>& constants() const { return constantReport_; }
    // Everything that the component lacks, in one line; empty when nothing.
    std::string gaps() const;

private:
    Component() = default;
    static Component load();
    friend class Loader;

    std::vector<InterfaceBinding> interfaceList_;
    std::vector<EventBinding> eventList_;
    std::map<std::string, LONG, std::less<>> constants_;
    std::vector<ConstantReport> constantReport_;
    CLSID machineClass_{};
    CLSID fileAttributesClass_{};
};

// "by name", "by position", "by its shape" or "missing".
std::string foundHow(Found how);

struct RequiredEvents;
// How the event interface described by `info` (null when the library lacks
// it) is called, and which of its methods we handle.
EventBinding eventBinding(ComPtr<ITypeInfo> info, const RequiredEvents& wanted);

// Why the last call of this thread failed with kNotBound (or an apartment
// failure): which member of which interface the component lacks.
void noteFailure(std::string text);
std::string failureText();
// The code of an operation that needs something the component lacks.
inline constexpr HRESULT kNotBound = DISP_E_MEMBERNOTFOUND;

}  // namespace dnccom
