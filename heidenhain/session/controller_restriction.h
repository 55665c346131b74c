#pragma once
// Functions that the TNC 426 does not offer fail before anything else, also
// while the session is disconnected, so that clients learn it at once.
#include <string>

namespace heidenhain {

// On controller type "tnc426": logs "Method <function> not available for
// controller type tnc426" under the function's name and throws that text.
void refuseOnTnc426(const std::string& controllerType, const std::string& function, const std::string& sessionName);

}  // namespace heidenhain
