#pragma once
// Common part of the interface objects that GetInterface hands out: each is
// bound to the machine's link to one controller.
#include <cstdint>
#include <memory>
#include <string_view>

#include "dnc/result.h"
#include "dncsim/controller.h"
#include "dncsim/event_pump.h"
#include "dncsim/sink_list.h"

namespace dncsim {

class BoundObject {
protected:
    BoundObject(std::shared_ptr<ControllerLink> link, EventPump& pump) : link_(std::move(link)), pump_(pump) {}

    // An operation that the simulated controller does not offer yet: it still
    // answers the link's faults first, so callers see lost links as on the SDK.
    dnc::HRESULT notYet(std::string_view operation) const {
        const auto hr = link_->enter(operation);
        return dnc::failed(hr) ? hr : dnc::kNotImplemented;
    }

    template <class Sink>
    dnc::HRESULT advise(SinkList<Sink>& sinks, std::shared_ptr<Sink> sink, std::uint32_t* cookie) {
        if (auto hr = link_->enter("Advise"); dnc::failed(hr)) return hr;
        return sinks.advise(std::move(sink), cookie);
    }

    // Detaching works also after the link is gone, so that no sink outlives its session.
    template <class Sink>
    dnc::HRESULT unadvise(SinkList<Sink>& sinks, std::uint32_t cookie) {
        if (auto hr = link_->enterLocal("Unadvise"); dnc::failed(hr)) return hr;
        return sinks.unadvise(cookie);
    }

    const std::shared_ptr<ControllerLink> link_;
    EventPump& pump_;
};

}  // namespace dncsim
