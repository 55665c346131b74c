#pragma once
// The simulated DataAccess interface: the controller's data tree, access
// modes, and data events for subscribed entries.
#include <memory>
#include <string>

#include "dnc/data_access.h"
#include "dncsim/bound_object.h"
#include "dncsim/data_events.h"

namespace dncsim {

// Unknown access mode; incorrect password for the access level.
inline constexpr dnc::HRESULT kUnknownAccessMode = dnc::code(0x80040265);
inline constexpr dnc::HRESULT kWrongPassword = dnc::code(0x80040272);

class DataAccess final : public dnc::IJHDataAccess, private BoundObject {
public:
    // The password of every protected access mode of the simulated controls.
    static constexpr const char* kPassword = "sim";

    DataAccess(std::shared_ptr<ControllerLink> link, EventPump& pump);

    // The older controls have no access modes (E_NOTIMPL); the newer ones
    // check the mode's number and, but for "default", the password.
    dnc::HRESULT SetAccessMode(std::int32_t accessMode, const std::string& password) override;
    // A path without an entry answers kBadParameter; a table row that is not
    // there kInvalidArg (see table_path.h).
    dnc::HRESULT GetDataEntry(const std::string& dataPath, std::shared_ptr<dnc::IJHDataEntry>* entry) override;
    dnc::HRESULT GetDataEntry2(const std::string& dataPath, std::int32_t unitSelect, dnc::VariantBool readValues,
                               std::shared_ptr<dnc::IJHDataEntry>* entry) override;

    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHDataAccessEvents2> sink, std::uint32_t* cookie) override {
        return advise(events_->sinks(), std::move(sink), cookie);
    }
    dnc::HRESULT Unadvise(std::uint32_t cookie) override { return unadvise(events_->sinks(), cookie); }

private:
    dnc::HRESULT entryAt(std::string_view operation, const std::string& dataPath,
                         std::shared_ptr<dnc::IJHDataEntry>* entry);

    const std::shared_ptr<DataEvents> events_;
};

}  // namespace dncsim
