#pragma once
// A sink for event interfaces that the component calls through the vtable
// (dual and custom ones): a vtable built from the interface's function
// descriptions, whose every method reaches one handler with the arguments
// as VARIANTs. Methods after IUnknown's (and IDispatch's) are served by
// generic entry points, one per vtable position and way of passing.
#include <oaidl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dnccom/component.h"

namespace dnccom {

// Who receives the calls of a vtable built here: IUnknown's and IDispatch's
// methods go to its IDispatch, the others to event().
class VtableTarget {
public:
    virtual IDispatch* dispatch() = 0;
    // A method past the base ones, with its arguments as DISPPARAMS (last first).
    virtual HRESULT event(DISPID id, DISPPARAMS* parameters) = 0;

protected:
    ~VtableTarget() = default;
};

// The interface pointer that the component holds: its first member is the vtable.
struct VtableFace {
    const void* const* vtable = nullptr;
    VtableTarget* target = nullptr;
};

// The vtable for the event interface, built once per interface; null for a
// dispinterface or an interface with methods we cannot take.
const void* const* eventVtable(const EventBinding& events);

// Why eventVtable() gives null for the interface; empty when it does not.
std::string vtableProblem(const EventBinding& events);

// One machine word of a call's arguments.
using Word = std::uintptr_t;

}  // namespace dnccom
