#include "heidenhain/session/dncshim.h"

#include "dnc/com.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {

DncShim::DncShim(const std::string& name) : context_(name) {
    connection_.setControllerType({});
    context_.guard.run(offlineCall("CoInitializeEx(NULL, COINIT_MULTITHREADED)", SDK_CALL_SITE),
                       [] { return dnc::CoInitializeEx(nullptr, dnc::COINIT_MULTITHREADED); });
}

DncShim::~DncShim() {
    if (context_.flags.connected || context_.flags.disconnectPending) {
        try {
            connection_.disconnect();
        } catch (const std::exception& e) {
            logInformation("~DncShim", name() + ": Failed on disconnect during destruction, because: " + e.what());
        }
    }
    // A monitor started while disconnected has ended by itself; it is released here.
    monitor_.stopMonitorThread();
    // The SDK may still hold the machine sink; it must not reach this object.
    interfaces_.detachSinks();
    // A disconnect that failed part-way kept the machine object.
    connection_.releaseMachine();
    // The events raised until now (onDisconnectDone among them) still go out;
    // a callback that waits for a broker is left to finish on its own.
    context_.events.close(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
}

}  // namespace heidenhain
