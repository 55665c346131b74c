#pragma once
// What every part of a session shares (dncshim.h lists the parts): its name
// and connection flags, the lifecycle lock, the SDK guard, the presence
// summary, the controller type and its family, the SDK interfaces obtained
// at connect, and the queue that every client event passes.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "agent/callback.h"
#include "agent/serial_queue.h"
#include "dnc/automatic.h"
#include "dnc/data_access.h"
#include "dnc/error.h"
#include "dnc/file_system.h"
#include "dnc/machine.h"
#include "dnc/process_data.h"
#include "dnc/table.h"
#include "heidenhain/events/event_queue.h"
#include "heidenhain/sdk/locked_value.h"
#include "heidenhain/sdk/sdk_guard.h"
#include "heidenhain/sdk/timed_mutex.h"
#include "heidenhain/session/session_flags.h"
#include "heidenhain/session/session_presence.h"

namespace heidenhain {

class ControllerFamily;

struct SessionContext {
    explicit SessionContext(const std::string& sessionName);
    SessionContext(const SessionContext&) = delete;
    SessionContext& operator=(const SessionContext&) = delete;

    // The CNC went away: the session stops counting as connected until the
    // client disconnects. Safe from any thread.
    void scheduleDisconnect();
    // The machine object's state, as a number and as getState names it.
    std::int32_t readMachineState();
    std::string machineState();

    // A client event, queued for the callback (event_queue.h); nothing for
    // an empty callback. It is called with copies of the arguments, made here.
    template <class... Args, class... Given>
    void raise(const nolt::Callback<Args...>& callback, Given&&... args) {
        if (!callback) return;
        events.raise(
            [callback, ... values = Args(std::forward<Given>(args))]() mutable { callback(std::move(values)...); });
    }
    template <class... Args, class... Given>
    void raise(const LockedValue<nolt::Callback<Args...>>& slot, Given&&... args) {
        raise(slot.get(), std::forward<Given>(args)...);
    }

    const std::string name;
    // The session's remote calls and its monitor's cycles, one at a time; a
    // call may wait there as long as for the SDK lock.
    const std::shared_ptr<nolt::SerialQueue> calls = nolt::SerialQueue::create(
        [] { return nolt::SteadyDuration(std::chrono::seconds(SdkGuard::getSdkMutexTimeout())); });
    SessionFlags flags;
    // Connect and disconnect of this session run one at a time: overlapping,
    // one would use the machine object that the other releases.
    TimedMutex lifecycle{LockRank::lifecycle};
    SdkGuard guard;
    SessionPresence presence;

    LockedValue<std::string> controllerType;
    // Chosen with the controller type; what differs between the families of controls.
    LockedValue<std::shared_ptr<ControllerFamily>> family;
    LockedValue<std::string> sdkVersion;

    LockedValue<std::shared_ptr<dnc::IJHMachine>> machine;
    LockedValue<std::shared_ptr<dnc::IJHAutomatic>> automatic;
    LockedValue<std::shared_ptr<dnc::IJHError>> error;
    LockedValue<std::shared_ptr<dnc::IJHDataAccess>> dataAccess;
    LockedValue<std::shared_ptr<dnc::IJHProcessData>> processData;
    LockedValue<std::shared_ptr<dnc::IJHFileSystem>> fileSystem;
    LockedValue<std::shared_ptr<dnc::IJHItncTable>> itncTable;

    // Set by the access modes that open the data tree; cleared by machineInit.
    std::atomic<bool> accessModeSet{false};
    // The monitor's notice of the missing access mode, given once per connect.
    std::atomic<bool> accessModeNoticeGiven{false};

    // Raised by scheduleDisconnect.
    LockedValue<nolt::Callback<std::string>> onConnectLost;

    // Every client event of the session passes here, in order; it outlives
    // the parts, whose threads (the table monitor's) raise events.
    EventQueue events{name, [this](std::uint64_t total) { presence.eventsDropped(total); }};
};

}  // namespace heidenhain
