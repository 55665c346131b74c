#pragma once
// What the engineer on the shop-floor computer needs to know about the
// installed component: where its type library is, how its machine class is
// registered and for which bitness, and which of the members the agent
// uses it offers, how they were found, and what is lost without the others.
#include <ostream>

namespace dnccom {

// True when the component is registered and offers everything we use.
bool reportComponent(std::ostream& out);

}  // namespace dnccom
