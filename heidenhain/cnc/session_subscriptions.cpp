// Data subscriptions: the SDK's subscription handle is the key of the
// client's callback; the data access sink hands each data event here, and
// its entry list becomes one JSON object nested like the entry tree.
#include "heidenhain/cnc/session_data.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/text/variant_text.h"

namespace heidenhain {

std::int32_t SessionData::onDataChanged(const std::string& dataPath, nolt::Callback<nlohmann::json> callback) {
    logInformation("onDataChanged", context_.name + ": " + dataPath);
    requireInterface(context_.guard, dataAccessCheck(context_.dataAccess.get(), "onDataChanged"), SDK_CALL_SITE);
    requireDataPath(dataPath, " for callback registration does not exist");
    auto dataEntry = getDataEntry2(dataPath, true);
    std::int32_t subscriptionHandle = 0;
    context_.guard.run({"dataEntry->Subscribe2( &subscriptionHandle)", SDK_CALL_SITE},
                       [&] { return dataEntry->Subscribe2(&subscriptionHandle); });
    subscriptions_.set(subscriptionHandle, std::move(callback));
    return subscriptionHandle;
}

void SessionData::unsubscribe(const std::string& dataPath, std::int32_t handle) {
    requireInterface(context_.guard, dataAccessCheck(context_.dataAccess.get(), "unsubscribe"), SDK_CALL_SITE);
    auto dataEntry = getDataEntry2(dataPath, true);
    // The handle is ours no more whatever the SDK answers; a refusal is only logged.
    const SdkResult answer = context_.guard.call({"dataEntry->Unsubscribe(handle)", SDK_CALL_SITE, Accepted::every()},
                                                 [&] { return dataEntry->Unsubscribe(handle); });
    if (dnc::failed(answer.code))
        logWarning("unsubscribe",
                   context_.name + ": " +
                       context_.guard.errorMessage("dataEntry->Unsubscribe(handle)", answer.code, SDK_CALL_SITE));
    // An event already under way for the handle no longer reaches the client.
    subscriptions_.erase(handle);
}

bool SessionData::onData2(std::int32_t subscriptionHandle,
                          const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList) {
    const nlohmann::json value = dataEntryListToJson(dataEntryList);
    auto callback = subscriptions_.find(subscriptionHandle);
    if (!callback) return false;
    context_.raise(callback, value);
    return true;
}

nlohmann::json SessionData::dataEntryListToJson(const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList) {
    nlohmann::json result;
    std::int32_t count = 0;
    context_.guard.run({"dataEntryList->get_Count(&count)", SDK_CALL_SITE},
                       [&] { return dataEntryList->get_Count(&count); });
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> childEntry;
        context_.guard.run({"dataEntryList->get_Item(i, &childEntry)", SDK_CALL_SITE},
                           [&] { return dataEntryList->get_Item(i, &childEntry); });
        addDataEntry(result, childEntry);
    }
    return result;
}

void SessionData::addDataEntry(nlohmann::json& target, const std::shared_ptr<dnc::IJHDataEntry>& entry) {
    std::string name;
    context_.guard.run({"dataEntry->get_bstrName(&name)", SDK_CALL_SITE}, [&] { return entry->get_bstrName(&name); });
    std::shared_ptr<dnc::IJHDataEntryList> dataEntryList;
    context_.guard.run({"dataEntry->get_childList2(&dataEntryList)", SDK_CALL_SITE},
                       [&] { return entry->get_childList2(&dataEntryList); });
    std::int32_t count = 0;
    context_.guard.run({"dataEntryList->get_Count(&count)", SDK_CALL_SITE},
                       [&] { return dataEntryList->get_Count(&count); });
    if (count == 0) {
        dnc::Variant value;
        context_.guard.run({"dataEntry->GetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, &value)", SDK_CALL_SITE},
                           [&] { return entry->GetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &value); });
        target[name] = variantToJson(value);
        return;
    }
    nlohmann::json& children = target[name] = nlohmann::json::object();
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> childEntry;
        context_.guard.run({"dataEntryList->get_Item(i, &childEntry)", SDK_CALL_SITE},
                           [&] { return dataEntryList->get_Item(i, &childEntry); });
        addDataEntry(children, childEntry);
    }
}

}  // namespace heidenhain
