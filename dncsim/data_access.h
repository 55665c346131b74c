#pragma once
// The simulated DataAccess interface (data entry tree).
#include "dnc/data_access.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class DataAccess final : public dnc::IJHDataAccess, private BoundObject {
public:
    DataAccess(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT SetAccessMode(std::int32_t, const std::string&) override { return notYet("SetAccessMode"); }
    dnc::HRESULT GetDataEntry(const std::string&, std::shared_ptr<dnc::IJHDataEntry>*) override {
        return notYet("GetDataEntry");
    }
    dnc::HRESULT GetDataEntry2(const std::string&, std::int32_t, dnc::VariantBool,
                               std::shared_ptr<dnc::IJHDataEntry>*) override {
        return notYet("GetDataEntry2");
    }

    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHDataAccessEvents2> sink, std::uint32_t* cookie) override {
        return advise(sinks_, std::move(sink), cookie);
    }
    dnc::HRESULT Unadvise(std::uint32_t cookie) override { return unadvise(sinks_, cookie); }

private:
    SinkList<dnc::IJHDataAccessEvents2> sinks_;
};

}  // namespace dncsim
