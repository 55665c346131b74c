// Data subscriptions: the SDK's subscription handle is the key of the
// client's callback; the data access sink hands each data event here, and
// its entry list becomes one JSON object nested like the entry tree.
#include "heidenhain/data_access_sink.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/variant_text.h"

namespace heidenhain {

void DncShim::attachDataAccessSink() {
    try {
        auto dataSink = std::make_shared<CDataAccessSink>(*this);
        if (auto old = dataAccessSink_.exchange(dataSink)) old->detach();
        auto access = dataAccess_.get();
        std::uint32_t cookie = 0;
        guard_.run(
            {"_dataAccess.Advise(reinterpret_cast<IUnknown*>(dataSink), HeidenhainDNCLib::IID__IJHDataAccessEvents2, "
             "&_dataAccessEventCookie)",
             SDK_CALL_SITE},
            [&] { return access->Advise(dataSink, &cookie); });
        dataAccessEventCookie_ = cookie;
    } catch (const std::exception& e) {
        dataAccessEventCookie_ = 0;
        warnInterfaceSetup(": Cannot register DataAccessEvent listener", e);
    }
}

std::int32_t DncShim::onDataChanged(const std::string& dataPath, nolt::Callback<nlohmann::json> callback) {
    logInformation("onDataChanged", name_ + ": " + dataPath);
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "onDataChanged"), SDK_CALL_SITE);
    requireDataPath(dataPath, " for callback registration does not exist");
    auto dataEntry = getDataEntry2(dataPath, true);
    std::int32_t subscriptionHandle = 0;
    guard_.run({"dataEntry->Subscribe2( &subscriptionHandle)", SDK_CALL_SITE},
               [&] { return dataEntry->Subscribe2(&subscriptionHandle); });
    subscriptions_.set(subscriptionHandle, std::move(callback));
    return subscriptionHandle;
}

void DncShim::unsubscribe(const std::string& dataPath, std::int32_t handle) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "unsubscribe"), SDK_CALL_SITE);
    auto dataEntry = getDataEntry2(dataPath, true);
    // The handle is ours no more whatever the SDK answers; a refusal is only logged.
    const SdkResult answer = guard_.call({"dataEntry->Unsubscribe(handle)", SDK_CALL_SITE, Accepted::every()},
                                         [&] { return dataEntry->Unsubscribe(handle); });
    if (dnc::failed(answer.code))
        logWarning("unsubscribe",
                   name_ + ": " + guard_.errorMessage("dataEntry->Unsubscribe(handle)", answer.code, SDK_CALL_SITE));
    // An event already under way for the handle no longer reaches the client.
    subscriptions_.erase(handle);
}

bool DncShim::onData2(std::int32_t subscriptionHandle, const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList) {
    const nlohmann::json value = dataEntryListToJson(dataEntryList);
    auto callback = subscriptions_.find(subscriptionHandle);
    if (!callback) return false;
    raise(callback, value);
    return true;
}

nlohmann::json DncShim::dataEntryListToJson(const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList) {
    nlohmann::json result;
    std::int32_t count = 0;
    guard_.run({"dataEntryList->get_Count(&count)", SDK_CALL_SITE}, [&] { return dataEntryList->get_Count(&count); });
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> childEntry;
        guard_.run({"dataEntryList->get_Item(i, &childEntry)", SDK_CALL_SITE},
                   [&] { return dataEntryList->get_Item(i, &childEntry); });
        addDataEntry(result, childEntry);
    }
    return result;
}

void DncShim::addDataEntry(nlohmann::json& target, const std::shared_ptr<dnc::IJHDataEntry>& entry) {
    std::string name;
    guard_.run({"dataEntry->get_bstrName(&name)", SDK_CALL_SITE}, [&] { return entry->get_bstrName(&name); });
    std::shared_ptr<dnc::IJHDataEntryList> dataEntryList;
    guard_.run({"dataEntry->get_childList2(&dataEntryList)", SDK_CALL_SITE},
               [&] { return entry->get_childList2(&dataEntryList); });
    std::int32_t count = 0;
    guard_.run({"dataEntryList->get_Count(&count)", SDK_CALL_SITE}, [&] { return dataEntryList->get_Count(&count); });
    if (count == 0) {
        dnc::Variant value;
        guard_.run({"dataEntry->GetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, &value)", SDK_CALL_SITE},
                   [&] { return entry->GetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &value); });
        target[name] = variantToJson(value);
        return;
    }
    nlohmann::json& children = target[name] = nlohmann::json::object();
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> childEntry;
        guard_.run({"dataEntryList->get_Item(i, &childEntry)", SDK_CALL_SITE},
                   [&] { return dataEntryList->get_Item(i, &childEntry); });
        addDataEntry(children, childEntry);
    }
}

}  // namespace heidenhain
