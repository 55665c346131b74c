#pragma once
// The simulated error interface: a source of error events only.
#include "dnc/error.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class Error final : public dnc::IJHError, private BoundObject {
public:
    Error(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHErrorEvents2> sink, std::uint32_t* cookie) override {
        return advise(sinks_, std::move(sink), cookie);
    }
    dnc::HRESULT Unadvise(std::uint32_t cookie) override { return unadvise(sinks_, cookie); }

private:
    SinkList<dnc::IJHErrorEvents2> sinks_;
};

}  // namespace dncsim
