#pragma once
// Data values, PLC data and access modes: single entries of the control's
// data tree, read and written through the access style of the controller
// family (session_data.cpp); and data subscriptions, whose events the data
// access sink hands here (session_subscriptions.cpp).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/callback.h"
#include "agent/number.h"
#include "heidenhain/cnc/subscription_table.h"
#include "heidenhain/sdk/interface_check.h"
#include "heidenhain/session/session_context.h"

namespace heidenhain {

class SessionData {
public:
    explicit SessionData(SessionContext& context) : context_(context) {}
    SessionData(const SessionData&) = delete;
    SessionData& operator=(const SessionData&) = delete;

    // Unknown names fail with "invalid unordered_map<K, T> key".
    void setAccessMode(const std::string& accessMode, const std::string& password);
    // Empty passwords are skipped.
    void setAccessMode(const std::string& plcDataAccessPassword, const std::string& tableDataAccessPassword,
                       const std::string& usrPassword, const std::string& sysPassword);
    std::string getValue(const std::string& dataPath);
    // The PLC memory value \PLC\memory\<area>\<address>.
    std::string getPlcData(const std::string& area, const std::string& address);
    void setValue(const std::string& dataPath, const std::string& value);
    // Integers stay integers and fractions doubles (data_number.h).
    void setValue(const std::string& dataPath, const nolt::Number& value);
    bool dataPathExists(const std::string& dataPath);
    // The names of the entry's children.
    std::vector<std::string> getValues(const std::string& dataPath);

    // Returns the SDK's subscription handle; changes arrive at the callback.
    std::int32_t onDataChanged(const std::string& dataPath, nolt::Callback<nlohmann::json> callback);
    void unsubscribe(const std::string& dataPath, std::int32_t handle);
    // From the data access sink, on an SDK event thread: false when no
    // callback is stored under the handle.
    bool onData2(std::int32_t subscriptionHandle, const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList);

    // The steps of the families' reads and writes.
    InterfaceCheck dataAccessCheck(const std::shared_ptr<dnc::IJHDataAccess>& access, const char* function) const;
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry(const std::string& dataPath);
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry2(const std::string& dataPath, bool readValues);
    // GetDataEntry2 without reading values, under the caller's call name.
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry2As(std::string_view call, const std::string& dataPath);
    // The entry's data property of the older controls (entry, property list, property).
    std::shared_ptr<dnc::IJHDataEntryProperty> dataPropertyOf(dnc::IJHDataEntry& dataEntry);
    dnc::HRESULT probeDataEntry(const std::string& dataPath, bool version2);
    // Where the data tree has no entry: the SDK answers one of these.
    static bool meansNoEntry(dnc::HRESULT hr);
    // The names of the entries of a child list, read under the family's call names.
    std::vector<std::string> childNames(dnc::IJHDataEntryList& list, const char* countCall, const char* itemCall);

private:
    void requireDataPath(const std::string& dataPath, const std::string& missing);
    void setValueWith(const std::string& dataPath, const dnc::Variant& newerValue,
                      const std::function<dnc::Variant(const dnc::Variant&)>& olderValue);
    nlohmann::json dataEntryListToJson(const std::shared_ptr<dnc::IJHDataEntryList>& list);
    void addDataEntry(nlohmann::json& target, const std::shared_ptr<dnc::IJHDataEntry>& entry);

    SessionContext& context_;
    SubscriptionTable subscriptions_;
};

}  // namespace heidenhain
