#pragma once
// What the adapter needs of the component, and how each piece is found:
// by the name the component is known to use, by its position, or as the
// only member of its shape where a version of the component may name it
// otherwise.
#include <vector>

namespace dnccom {

enum class Lookup {
    name,      // by this name only
    position,  // the n-th member of its kind (method, property get, put) in declaration order
    shape,     // by this name, else the only unclaimed member of its kind and shape
};

struct RequiredMethod {
    const char* name;
    const char* shape;  // one letter per argument of our call: i in, o out (a return value last)
    Lookup lookup = Lookup::name;
    int position = 0;
    const char* neededFor = nullptr;  // when only some of the interface's users need it
};

// An interface found by the type of a member of another one: the return
// value (param -1) or a parameter.
struct TypeSource {
    const char* interfaceName = nullptr;
    const char* member = nullptr;
    int param = -1;
};

struct RequiredInterface {
    const char* name;
    TypeSource source;  // where to look when the library has no type of this name
    const char* neededFor;  // the agent's functions that use it
    std::vector<RequiredMethod> methods;
};

struct RequiredEvents {
    const char* name;
    const char* neededFor;
    std::vector<RequiredMethod> methods;  // shapes unused
};

struct RequiredConstant {
    const char* name;
    // Else the only constant whose name contains this (of the enumeration
    // that holds `sibling`, when given).
    const char* fragment = nullptr;
    const char* sibling = nullptr;
};

// In the order in which they are looked up: an interface found through
// another comes after it.
const std::vector<RequiredInterface>& requiredInterfaces();
const std::vector<RequiredEvents>& requiredEvents();
const std::vector<RequiredConstant>& requiredConstants();
// The coclass of the machine object; its default interface is the machine's.
inline constexpr const char* kMachineClass = "JHMachineInProcess";
inline constexpr const char* kMachineInterface = "IJHMachine";
inline constexpr const char* kFileAttributesInterface = "IJHFileAttributes";

}  // namespace dnccom
