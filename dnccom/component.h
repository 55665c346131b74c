#pragma once
// The vendor's component as its registered type library describes it: found
// by the library's name, every class, interface, event interface, method and
// constant that we use found by name, once per process. Nothing about the
// component is compiled in.
#include <oaidl.h>

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace dnccom {

// The component is missing, or lacks something we call; the text names it.
class ComponentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Param {
    VARTYPE vt = VT_EMPTY;  // for an out parameter: the type it receives
    bool out = false;
};

// One operation as IDispatch::Invoke calls it.
struct Method {
    DISPID id = DISPID_UNKNOWN;
    WORD flags = DISPATCH_METHOD;  // or DISPATCH_PROPERTYGET / DISPATCH_PROPERTYPUT
    std::vector<Param> params;  // without the return value
    bool returns = false;  // an [out, retval]: the last out argument of our call
};

struct InterfaceBinding {
    std::string name;
    IID iid{};
    std::map<std::string, Method, std::less<>> methods;  // by our call name ("get_Count")
    const Method& method(std::string_view name) const;
};

struct EventBinding {
    std::string name;
    IID iid{};
    std::map<DISPID, std::string> methods;  // the handled methods by DISPID
};

class Component {
public:
    static constexpr const char* kLibraryName = "HeidenhainDNCLib";

    // The component, loaded and checked on first use; throws ComponentError
    // with one text naming everything that was not found.
    static const Component& instance();
    // The next instance() loads the library again (after the component was
    // removed or installed anew); what was bound stays valid.
    static void forget();

    const InterfaceBinding& interfaceNamed(std::string_view name) const;
    const EventBinding& eventsNamed(std::string_view name) const;
    // A constant of the library's enumerations.
    LONG constant(std::string_view name) const;
    const CLSID& machineClass() const { return machineClass_; }
    const CLSID& fileAttributesClass() const { return fileAttributesClass_; }

private:
    Component() = default;
    static Component load();

    std::map<std::string, InterfaceBinding, std::less<>> interfaces_;
    std::map<std::string, EventBinding, std::less<>> events_;
    std::map<std::string, LONG, std::less<>> constants_;
    CLSID machineClass_{};
    CLSID fileAttributesClass_{};
};

// What we need of the component (component_names.cpp).
struct RequiredMethod {
    const char* name;
    const char* shape;  // one letter per argument of our call: i in, o out (a return value last)
};
struct RequiredInterface {
    const char* name;
    std::vector<RequiredMethod> methods;
};
struct RequiredEvents {
    const char* name;
    std::vector<const char*> methods;
};
const std::vector<RequiredInterface>& requiredInterfaces();
const std::vector<RequiredEvents>& requiredEvents();
const std::vector<const char*>& requiredConstants();
// The coclass of the machine object; the attribute sets are the coclass that
// offers kFileAttributesInterface.
inline constexpr const char* kMachineClass = "JHMachineInProcess";
inline constexpr const char* kFileAttributesInterface = "IJHFileAttributes";

}  // namespace dnccom
