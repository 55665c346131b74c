#pragma once
// Our numbers of the enumerations whose values are the component's own,
// translated by constant name through its type library. The numbers of
// controller types, protocols, states and modes are fixed and pass unchanged.
#include <oaidl.h>

#include <cstdint>

#include "dnc/connection.h"
#include "dnc/machine.h"

namespace dnccom {

// The interface that the adapter asks a GetInterface object for, or null.
const char* interfaceNameOf(dnc::DNC_INTERFACE_OBJECT kind);
LONG interfaceKind(dnc::DNC_INTERFACE_OBJECT kind);
LONG connectionProperty(dnc::DNC_CONNECTION_PROPERTY kind);
LONG propertyKind(std::int32_t kind);
LONG unitSelect(std::int32_t unit);
LONG fileAttribute(std::int32_t attribute);

}  // namespace dnccom
