#pragma once
// The interface objects of GetInterface, by kind.
#include <memory>

#include "dnc/machine.h"
#include "dncsim/controller.h"
#include "dncsim/event_pump.h"

namespace dncsim {

// Whether a controller offers the kind at all (the table interface only on
// the older controls); kOk or the code GetInterface answers.
dnc::HRESULT interfaceOffered(const Controller& controller, dnc::DNC_INTERFACE_OBJECT kind);

// A new interface object of the kind, bound to the link; null for an unknown kind.
std::shared_ptr<dnc::Object> makeInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<ControllerLink> link,
                                           EventPump& pump);

}  // namespace dncsim
