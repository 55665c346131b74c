#pragma once
// Event interfaces of the SDK (its connection points). A client implements a
// sink and attaches it to the object that raises the events with Advise; the
// SDK calls the sink on its own event threads, never on the thread that made
// an SDK call. After Unadvise has returned the sink is not called again.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/object.h"
#include "dnc/variant.h"

namespace dnc {

class IJHToolId;
class IJHDataEntryList;
class IJHErrorEntry;

// The connection point of an object for one sink interface.
template <class Sink>
class EventSource : public virtual Object {
public:
    // *cookie is non-zero on success; it names the attachment for Unadvise.
    virtual HRESULT Advise(std::shared_ptr<Sink> sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
};

// Handlers answer kOk when they ran to their end, another code otherwise.

class IJHMachineEvents2 {
public:
    virtual ~IJHMachineEvents2() = default;
    // stateEvent: a DNC_EVT_STATE number (dnc/machine.h).
    virtual HRESULT OnStateChanged(std::int32_t stateEvent) = 0;
};

class IJHAutomaticEvents3 {
public:
    virtual ~IJHAutomaticEvents3() = default;
    // programEvent: a DNC_EVT_PROGRAM number (dnc/automatic.h).
    virtual HRESULT OnProgramStatusChanged(std::int32_t programEvent) = 0;
    virtual HRESULT OnDncModeChanged(std::int32_t dncMode) = 0;
    virtual HRESULT OnExecutionMessage(std::int32_t channel, const Variant& value,
                                       const std::string& message) = 0;
    // timeStamp: a VT_DATE value.
    virtual HRESULT OnProgramChanged(std::int32_t channel, double timeStamp,
                                     const std::string& programPath) = 0;
    virtual HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<IJHToolId> toolOut,
                                  std::shared_ptr<IJHToolId> toolIn, double timeStamp) = 0;
};

class IJHDataAccessEvents2 {
public:
    virtual ~IJHDataAccessEvents2() = default;
    // The entries of a subscription (Subscribe2) whose values changed.
    virtual HRESULT OnData2(std::int32_t subscriptionHandle, double timeStamp,
                            std::shared_ptr<IJHDataEntryList> dataEntryList) = 0;
};

class IJHErrorEvents2 {
public:
    virtual ~IJHErrorEvents2() = default;
    virtual HRESULT OnError2(std::shared_ptr<IJHErrorEntry> error) = 0;
    virtual HRESULT OnErrorCleared2(std::shared_ptr<IJHErrorEntry> error) = 0;
};

}  // namespace dnc
