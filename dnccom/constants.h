#pragma once
// Our numbers of the enumerations whose values are the component's own,
// translated by constant name through its type library; a constant the
// component lacks gives notBound(), which fails the call that passes it. The numbers of
// controller types, protocols, states and modes are fixed and pass unchanged.
#include <oaidl.h>

#include <cstdint>

#include "dnc/connection.h"
#include "dnc/machine.h"
#include "dnccom/var.h"

namespace dnccom {

Var interfaceKind(dnc::DNC_INTERFACE_OBJECT kind);
Var connectionProperty(dnc::DNC_CONNECTION_PROPERTY kind);
Var propertyKind(std::int32_t kind);
Var unitSelect(std::int32_t unit);
Var fileAttribute(std::int32_t attribute);

}  // namespace dnccom
