#include "heidenhain/dncshim.h"

#include "dnc/com.h"
#include "heidenhain/automatic_sink.h"
#include "heidenhain/error_sink.h"
#include "heidenhain/data_access_sink.h"
#include "heidenhain/machine_sink.h"
#include "heidenhain/session_log.h"

namespace heidenhain {

DncShim::DncShim(const std::string& name)
    : name_(name), guard_(name_, flags_), presence_(name_, installedSdkVersion()) {
    guard_.onLostLink([this] { scheduleDisconnect(); });
    setControllerType({});
    guard_.run(offlineCall("CoInitializeEx(NULL, COINIT_MULTITHREADED)", SDK_CALL_SITE),
               [] { return dnc::CoInitializeEx(nullptr, dnc::COINIT_MULTITHREADED); });
}

DncShim::DncShim(const DncShim& other) : DncShim(other.name_) {
    logError("DncShim", name_ + " copy constructor used but is forbidden");
}

DncShim::~DncShim() {
    if (flags_.connected || flags_.disconnectPending) {
        try {
            disconnect();
        } catch (const std::exception& e) {
            logInformation("~DncShim", name_ + ": Failed on disconnect during destruction, because: " + e.what());
        }
    }
    // A monitor started while disconnected has ended by itself; it is joined here.
    stopMonitorThread();
    // The SDK may still hold the machine sink; it must not reach this object.
    if (auto sink = machineSink_.get()) sink->detach();
    if (auto sink = automaticSink_.get()) sink->detach();
    if (auto sink = errorSink_.get()) sink->detach();
    if (auto sink = dataAccessSink_.get()) sink->detach();
    // A disconnect that failed part-way kept the machine object and its worker.
    releaseMachine();
    // The events raised until now (onDisconnectDone among them) still go out;
    // a callback that waits for a broker is left to finish on its own.
    events_.close(std::chrono::seconds(SdkGuard::getSdkMutexTimeout()));
}

}  // namespace heidenhain
