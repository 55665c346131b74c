#include "heidenhain/sdk/interface_check.h"


#include "heidenhain/session/session_log.h"
#include "platform/log.h"

namespace heidenhain {

void requireInterface(const SdkGuard& guard, const InterfaceCheck& check, CallSite site) {
    const std::string qualified = std::string("DncShim::") + check.function;
    const std::string where = siteText(site) + ")";
    if (!guard.isConnected()) {
        const std::string message = std::string("Unexpected online call CHECK_INTERFACE(") + check.interfaceName +
                                    ") while disconnected in" + qualified + ", " + where;
        platform::logError(message);
        throw std::runtime_error(message);
    }
    if (!check.present) {
        const std::string message = guard.sessionName() + " does not have IJH" + check.interfaceName +
                                    " interface; cannot call " + qualified + ", " + where;
        logInformation(check.function, guard.sessionName() + ": " + message);
        throw std::runtime_error(message);
    }
}

}  // namespace heidenhain
