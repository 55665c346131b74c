#include "heidenhain/session/controller_restriction.h"

#include <stdexcept>

#include "heidenhain/session/session_log.h"

namespace heidenhain {

void refuseOnTnc426(const std::string& controllerType, const std::string& function, const std::string& sessionName) {
    if (controllerType != "tnc426") return;
    const std::string message = "Method " + function + " not available for controller type tnc426";
    logInformation(function, sessionName + ": " + message);
    throw std::runtime_error(message);
}

}  // namespace heidenhain
