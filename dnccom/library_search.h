#pragma once
// The registered type library of a name, found through the registry.
#include <oaidl.h>

#include <string>

#include "dnccom/com_ptr.h"

namespace dnccom {

// The library of that name in its highest registered version; null if none.
ComPtr<ITypeLib> findRegisteredLibrary(const std::string& wanted);

}  // namespace dnccom
