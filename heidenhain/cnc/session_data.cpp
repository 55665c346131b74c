// Data values, PLC data and access modes: single entries of the control's
// data tree, read and written through the access style of the controller
// family (older: entry, property list, property; newer: property values).
#include <limits>
#include <stdexcept>

#include "heidenhain/cnc/data_number.h"
#include "heidenhain/cnc/session_data.h"
#include "heidenhain/sdk/sdk_arguments.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/text/enum_names.h"
#include "heidenhain/text/std_texts.h"
#include "heidenhain/text/variant_text.h"

namespace heidenhain {
namespace {

// A text for an entry of the older controls, read as the entry's current type.
dnc::Variant textAs(const dnc::Variant& current, const std::string& text) {
    switch (current.vt()) {
        case dnc::VT_I2: {
            // A word that cannot hold the number is refused, not cut down.
            const int value = parseInt(text);
            if (value < std::numeric_limits<std::int16_t>::min() || value > std::numeric_limits<std::int16_t>::max())
                throw std::out_of_range("stoi argument out of range");
            return dnc::Variant::fromSigned(dnc::VT_I2, value);
        }
        case dnc::VT_I4: return dnc::Variant::fromSigned(dnc::VT_I4, parseInt(text));
        case dnc::VT_R4: return dnc::Variant(parseFloat(text));
        case dnc::VT_R8: return dnc::Variant(parseDouble(text));
        case dnc::VT_UI1: {
            // Likewise a byte: 300 is refused rather than stored as 44.
            const unsigned long value = parseUnsignedLong(text);
            if (value > std::numeric_limits<std::uint8_t>::max()) throw std::out_of_range("stoul argument out of range");
            return dnc::Variant::fromUnsigned(dnc::VT_UI1, value);
        }
        default: return toVariant(text);
    }
}

}  // namespace

bool SessionData::meansNoEntry(dnc::HRESULT hr) { return hr == dnc::kBadParameter || hr == dnc::kInvalidArg; }

InterfaceCheck SessionData::dataAccessCheck(const std::shared_ptr<dnc::IJHDataAccess>& access,
                                            const char* function) const {
    return {"DataAccess", access != nullptr, function};
}

void SessionData::setAccessMode(const std::string& accessMode, const std::string& password) {
    context_.family.get()->refuseAccessMode();
    auto access = context_.dataAccess.get();
    requireInterface(context_.guard, dataAccessCheck(access, "setAccessMode"), SDK_CALL_SITE);
    const std::int32_t am = accessModeNumber(accessMode);
    context_.guard.run({"_dataAccess->SetAccessMode(am, bstrPassword)", SDK_CALL_SITE},
                       [&] { return access->SetAccessMode(am, password); });
    if (am == dnc::DNC_ACCESS_MODE_SYS) context_.accessModeSet = true;
}

void SessionData::setAccessMode(const std::string& plcDataAccessPassword, const std::string& tableDataAccessPassword,
                                const std::string& usrPassword, const std::string& sysPassword) {
    context_.family.get()->refuseAccessMode();
    auto access = context_.dataAccess.get();
    requireInterface(context_.guard, dataAccessCheck(access, "setAccessMode"), SDK_CALL_SITE);
    const struct {
        dnc::DNC_ACCESS_MODE mode;
        const std::string& password;
        const char* call;
    } steps[] = {
        {dnc::DNC_ACCESS_MODE_PLCDATAACCESS, plcDataAccessPassword,
         "_dataAccess->SetAccessMode(DNC_ACCESS_MODE_PLCDATAACCESS, bstrPassword)"},
        {dnc::DNC_ACCESS_MODE_TABLEDATAACCESS, tableDataAccessPassword,
         "_dataAccess->SetAccessMode(DNC_ACCESS_MODE_TABLEDATAACCESS, bstrPassword)"},
        {dnc::DNC_ACCESS_MODE_USR, usrPassword, "_dataAccess->SetAccessMode(DNC_ACCESS_MODE_USR, bstrPassword)"},
        {dnc::DNC_ACCESS_MODE_SYS, sysPassword, "_dataAccess->SetAccessMode(DNC_ACCESS_MODE_SYS, bstrPassword)"},
    };
    for (const auto& step : steps) {
        if (step.password.empty()) continue;
        context_.guard.run({step.call, SDK_CALL_SITE}, [&] { return access->SetAccessMode(step.mode, step.password); });
    }
    context_.accessModeSet = true;
}

dnc::HRESULT SessionData::probeDataEntry(const std::string& dataPath, bool version2) {
    auto access = context_.dataAccess.get();
    const std::string call = (version2 ? "_dataAccess->GetDataEntry2(" : "_dataAccess->GetDataEntry(") + dataPath + ")";
    // The codes that answer the question (and the older SDK's lack of
    // GetDataEntry2) are read here; any other failure is the guard's error.
    const Accepted answers = version2 ? Accepted{dnc::kBadParameter, dnc::kInvalidArg, dnc::kNotImplemented}
                                      : Accepted{dnc::kBadParameter, dnc::kInvalidArg};
    return context_.guard
        .call({call, SDK_CALL_SITE, answers},
              [&] {
                  std::shared_ptr<dnc::IJHDataEntry> entry;
                  return version2 ? access->GetDataEntry2(dataPath, dnc::DNC_DATA_UNIT_SELECT_METRIC,
                                                          dnc::VARIANT_FALSE, &entry)
                                  : access->GetDataEntry(dataPath, &entry);
              })
        .code;
}

bool SessionData::dataPathExists(const std::string& dataPath) {
    requireInterface(context_.guard, dataAccessCheck(context_.dataAccess.get(), "dataPathExists"), SDK_CALL_SITE);
    return context_.family.get()->dataPathExists(dataPath);
}

void SessionData::requireDataPath(const std::string& dataPath, const std::string& missing) {
    if (!dataPathExists(dataPath)) throw std::invalid_argument("Invalid argument: Data path " + dataPath + missing);
}

std::shared_ptr<dnc::IJHDataEntry> SessionData::getDataEntry(const std::string& dataPath) {
    auto access = context_.dataAccess.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    context_.guard.run({"_dataAccess->GetDataEntry(bstrDataPath, &dataEntry)", SDK_CALL_SITE},
                       [&] { return access->GetDataEntry(dataPath, &dataEntry); });
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntry> SessionData::getDataEntry2(const std::string& dataPath, bool readValues) {
    auto access = context_.dataAccess.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    const auto op = [&] {
        return access->GetDataEntry2(dataPath, dnc::DNC_DATA_UNIT_SELECT_METRIC,
                                     readValues ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE, &dataEntry);
    };
    if (readValues) {
        context_.guard.run(
            {"_dataAccess->GetDataEntry2( bstrDataPath, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_TRUE, &dataEntry)",
             SDK_CALL_SITE},
            op);
    } else {
        context_.guard.run(
            {"_dataAccess->GetDataEntry2( bstrDataPath, HeidenhainDNCLib::DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
             "&dataEntry)",
             SDK_CALL_SITE},
            op);
    }
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntry> SessionData::getDataEntry2As(std::string_view call, const std::string& dataPath) {
    auto access = context_.dataAccess.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    context_.guard.run({std::string(call), SDK_CALL_SITE}, [&] {
        return access->GetDataEntry2(toBSTR(dataPath), dnc::DNC_DATA_UNIT_SELECT_METRIC, dnc::VARIANT_FALSE,
                                     &dataEntry);
    });
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntryProperty> SessionData::dataPropertyOf(dnc::IJHDataEntry& dataEntry) {
    std::shared_ptr<dnc::IJHDataEntryPropertyList> propertyList;
    context_.guard.run({"dataEntry->get_propertyList(&propertyList)", SDK_CALL_SITE},
                       [&] { return dataEntry.get_propertyList(&propertyList); });
    std::shared_ptr<dnc::IJHDataEntryProperty> property;
    context_.guard.run({"propertyList->get_property(DNC_DATAENTRY_PROPKIND_DATA, &property)", SDK_CALL_SITE},
                       [&] { return propertyList->get_property(dnc::DNC_DATAENTRY_PROPKIND_DATA, &property); });
    return property;
}

std::string SessionData::getValue(const std::string& dataPath) {
    requireInterface(context_.guard, dataAccessCheck(context_.dataAccess.get(), "getValue"), SDK_CALL_SITE);
    requireDataPath(dataPath, " does not exist");
    const dnc::Variant value = context_.family.get()->readValue(dataPath);
    return variantToText(value);
}

std::string SessionData::getPlcData(const std::string& area, const std::string& address) {
    return getValue("\\PLC\\memory\\" + area + "\\" + address);
}

std::vector<std::string> SessionData::getValues(const std::string& dataPath) {
    requireInterface(context_.guard, dataAccessCheck(context_.dataAccess.get(), "getValues"), SDK_CALL_SITE);
    requireDataPath(dataPath, " does not exist");
    return context_.family.get()->listValues(dataPath);
}

std::vector<std::string> SessionData::childNames(dnc::IJHDataEntryList& list, const char* countCall,
                                                 const char* itemCall) {
    std::int32_t count = 0;
    context_.guard.run({countCall, SDK_CALL_SITE}, [&] { return list.get_Count(&count); });
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> entry;
        context_.guard.run({itemCall, SDK_CALL_SITE}, [&] { return list.get_Item(i, &entry); });
        std::string name;
        context_.guard.run({"entry->get_bstrName(&name)", SDK_CALL_SITE}, [&] { return entry->get_bstrName(&name); });
        names.push_back(std::move(name));
    }
    return names;
}

void SessionData::setValue(const std::string& dataPath, const std::string& value) {
    setValueWith(dataPath, toVariant(value), [&](const dnc::Variant& current) { return textAs(current, value); });
}

void SessionData::setValue(const std::string& dataPath, const nolt::Number& value) {
    setValueWith(dataPath, numberVariant(value), [&](const dnc::Variant& current) {
        auto variant = numberAs(current.vt(), value);
        if (!variant) {
            throw std::invalid_argument(
                context_.guard.errorMessage("property->put_varValue(variant)", dnc::kInvalidArg, SDK_CALL_SITE));
        }
        return *variant;
    });
}

void SessionData::setValueWith(const std::string& dataPath, const dnc::Variant& newerValue,
                               const std::function<dnc::Variant(const dnc::Variant&)>& olderValue) {
    try {
        requireDataPath(dataPath, " does not exist");
        context_.family.get()->writeValue(dataPath, newerValue, olderValue);
    } catch (const std::exception& e) {
        logInformation("setValue", "Problem setting " + dataPath + " because: " + e.what());
        throw;
    }
}

}  // namespace heidenhain
