#include "dncsim/data_access.h"

#include "dncsim/data_entry.h"
#include "dncsim/data_target.h"

namespace dncsim {
namespace {

bool knownAccessMode(std::int32_t mode) {
    return (mode >= dnc::DNC_ACCESS_MODE_DEFAULT && mode <= dnc::DNC_ACCESS_MODE_ALL) ||
           (mode >= dnc::DNC_ACCESS_MODE_IPODATAACCESS && mode <= dnc::DNC_ACCESS_MODE_CFGDATAACCESS);
}

}  // namespace

DataAccess::DataAccess(std::shared_ptr<ControllerLink> link, EventPump& pump)
    : BoundObject(link, pump), events_(std::make_shared<DataEvents>(link, pump)) {
    link->controller().data()->listen(events_);
}

dnc::HRESULT DataAccess::SetAccessMode(std::int32_t accessMode, const std::string& password) {
    if (auto hr = link_->enter("SetAccessMode"); dnc::failed(hr)) return hr;
    if (link_->controller().family() == Family::TableInterface) return dnc::kNotImplemented;
    if (!knownAccessMode(accessMode)) return kUnknownAccessMode;
    if (accessMode != dnc::DNC_ACCESS_MODE_DEFAULT && password != kPassword) return kWrongPassword;
    return dnc::kOk;
}

dnc::HRESULT DataAccess::GetDataEntry(const std::string& dataPath, std::shared_ptr<dnc::IJHDataEntry>* entry) {
    return entryAt("GetDataEntry", dataPath, entry);
}

dnc::HRESULT DataAccess::GetDataEntry2(const std::string& dataPath, std::int32_t, dnc::VariantBool,
                                       std::shared_ptr<dnc::IJHDataEntry>* entry) {
    return entryAt("GetDataEntry2", dataPath, entry);
}

dnc::HRESULT DataAccess::entryAt(std::string_view operation, const std::string& dataPath,
                                 std::shared_ptr<dnc::IJHDataEntry>* entry) {
    if (auto hr = link_->enter(operation); dnc::failed(hr)) return hr;
    if (entry == nullptr) return dnc::kPointer;
    const auto& tree = events_->tree();
    DataTarget target;
    if (auto hr = resolveTarget(*tree, link_->controller().family(), dataPath, &target); dnc::failed(hr)) return hr;
    *entry = makeDataEntry(events_, tree, dataPath);
    return dnc::kOk;
}

}  // namespace dncsim
