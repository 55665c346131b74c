// Data values, PLC data and access modes: single entries of the control's
// data tree, read and written through the access style of the controller
// family (older: entry, property list, property; newer: property values).
#include <limits>
#include <stdexcept>

#include "heidenhain/controller_kind.h"
#include "heidenhain/controller_restriction.h"
#include "heidenhain/data_number.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/sdk_arguments.h"
#include "heidenhain/session_log.h"
#include "heidenhain/std_texts.h"
#include "heidenhain/enum_names.h"
#include "heidenhain/variant_text.h"

namespace heidenhain {
namespace {

// Where the data tree has no entry: the SDK answers one of these.
bool meansNoEntry(dnc::HRESULT hr) { return hr == dnc::kBadParameter || hr == dnc::kInvalidArg; }

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

InterfaceCheck DncShim::dataAccessCheck(const std::shared_ptr<dnc::IJHDataAccess>& access, const char* function) const {
    return {"DataAccess", access != nullptr, function};
}

void DncShim::setAccessMode(const std::string& accessMode, const std::string& password) {
    const std::string type = controllerType_.get();
    refuseOnTnc426(type, "setAccessMode", name_);
    if (isItnc(type)) throw std::runtime_error("Call DataAccess::SetAccessMode is not implemented for iTNC controller " + name_);
    auto access = dataAccess_.get();
    requireInterface(guard_, dataAccessCheck(access, "setAccessMode"), SDK_CALL_SITE);
    const std::int32_t am = accessModeNumber(accessMode);
    guard_.run({"_dataAccess->SetAccessMode(am, bstrPassword)", SDK_CALL_SITE},
               [&] { return access->SetAccessMode(am, password); });
    if (am == dnc::DNC_ACCESS_MODE_SYS) accessModeSet_ = true;
}

void DncShim::setAccessMode(const std::string& plcDataAccessPassword, const std::string& tableDataAccessPassword,
                            const std::string& usrPassword, const std::string& sysPassword) {
    const std::string type = controllerType_.get();
    refuseOnTnc426(type, "setAccessMode", name_);
    if (isItnc(type)) throw std::runtime_error("Call DataAccess::SetAccessMode is not implemented for iTNC controller " + name_);
    auto access = dataAccess_.get();
    requireInterface(guard_, dataAccessCheck(access, "setAccessMode"), SDK_CALL_SITE);
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
        guard_.run({step.call, SDK_CALL_SITE}, [&] { return access->SetAccessMode(step.mode, step.password); });
    }
    accessModeSet_ = true;
}

dnc::HRESULT DncShim::probeDataEntry(const std::string& dataPath, bool version2) {
    auto access = dataAccess_.get();
    const std::string call = (version2 ? "_dataAccess->GetDataEntry2(" : "_dataAccess->GetDataEntry(") + dataPath + ")";
    // The codes that answer the question (and the older SDK's lack of
    // GetDataEntry2) are read here; any other failure is the guard's error.
    const Accepted answers = version2 ? Accepted{dnc::kBadParameter, dnc::kInvalidArg, dnc::kNotImplemented}
                                      : Accepted{dnc::kBadParameter, dnc::kInvalidArg};
    return guard_
        .call({call, SDK_CALL_SITE, answers},
              [&] {
                  std::shared_ptr<dnc::IJHDataEntry> entry;
                  return version2 ? access->GetDataEntry2(dataPath, dnc::DNC_DATA_UNIT_SELECT_METRIC,
                                                          dnc::VARIANT_FALSE, &entry)
                                  : access->GetDataEntry(dataPath, &entry);
              })
        .code;
}

bool DncShim::dataPathExists(const std::string& dataPath) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "dataPathExists"), SDK_CALL_SITE);
    const bool tnc426 = controllerType_.get() == "tnc426";
    dnc::HRESULT hr = tnc426 ? dnc::kNotImplemented : probeDataEntry(dataPath, true);
    if (hr == dnc::kNotImplemented) hr = probeDataEntry(dataPath, false);
    return !meansNoEntry(hr);
}

void DncShim::requireDataPath(const std::string& dataPath, const std::string& missing) {
    if (!dataPathExists(dataPath)) throw std::invalid_argument("Invalid argument: Data path " + dataPath + missing);
}

std::shared_ptr<dnc::IJHDataEntry> DncShim::getDataEntry(const std::string& dataPath) {
    auto access = dataAccess_.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    guard_.run({"_dataAccess->GetDataEntry(bstrDataPath, &dataEntry)", SDK_CALL_SITE},
               [&] { return access->GetDataEntry(dataPath, &dataEntry); });
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntry> DncShim::getDataEntry2(const std::string& dataPath, bool readValues) {
    auto access = dataAccess_.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    const auto op = [&] {
        return access->GetDataEntry2(dataPath, dnc::DNC_DATA_UNIT_SELECT_METRIC,
                                     readValues ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE, &dataEntry);
    };
    if (readValues) {
        guard_.run({"_dataAccess->GetDataEntry2( bstrDataPath, DNC_DATA_UNIT_SELECT_METRIC, VARIANT_TRUE, &dataEntry)",
                    SDK_CALL_SITE},
                   op);
    } else {
        guard_.run(
            {"_dataAccess->GetDataEntry2( bstrDataPath, HeidenhainDNCLib::DNC_DATA_UNIT_SELECT_METRIC, VARIANT_FALSE, "
             "&dataEntry)",
             SDK_CALL_SITE},
            op);
    }
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntry> DncShim::getDataEntry2As(std::string_view call, const std::string& dataPath) {
    auto access = dataAccess_.get();
    std::shared_ptr<dnc::IJHDataEntry> dataEntry;
    guard_.run({std::string(call), SDK_CALL_SITE}, [&] {
        return access->GetDataEntry2(toBSTR(dataPath), dnc::DNC_DATA_UNIT_SELECT_METRIC, dnc::VARIANT_FALSE,
                                     &dataEntry);
    });
    return dataEntry;
}

std::shared_ptr<dnc::IJHDataEntryProperty> DncShim::dataPropertyOf(dnc::IJHDataEntry& dataEntry) {
    std::shared_ptr<dnc::IJHDataEntryPropertyList> propertyList;
    guard_.run({"dataEntry->get_propertyList(&propertyList)", SDK_CALL_SITE},
               [&] { return dataEntry.get_propertyList(&propertyList); });
    std::shared_ptr<dnc::IJHDataEntryProperty> property;
    guard_.run({"propertyList->get_property(DNC_DATAENTRY_PROPKIND_DATA, &property)", SDK_CALL_SITE},
               [&] { return propertyList->get_property(dnc::DNC_DATAENTRY_PROPKIND_DATA, &property); });
    return property;
}

std::string DncShim::getValue(const std::string& dataPath) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "getValue"), SDK_CALL_SITE);
    requireDataPath(dataPath, " does not exist");
    dnc::Variant value;
    if (usesItncTable(controllerType_.get())) {
        auto property = dataPropertyOf(*getDataEntry(dataPath));
        guard_.run({"property->get_varValue(&value)", SDK_CALL_SITE}, [&] { return property->get_varValue(&value); });
    } else {
        auto dataEntry = getDataEntry2(dataPath, true);
        // The SDK gives a text here; any other type reads by the same rules.
        guard_.run({"dataEntry->GetPropertyValue(DNC_DATAENTRY_PROPKIND_DATA, &value)", SDK_CALL_SITE},
                   [&] { return dataEntry->GetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, &value); });
    }
    return variantToText(value);
}

std::string DncShim::getPlcData(const std::string& area, const std::string& address) {
    return getValue("\\PLC\\memory\\" + area + "\\" + address);
}

std::vector<std::string> DncShim::getValues(const std::string& dataPath) {
    requireInterface(guard_, dataAccessCheck(dataAccess_.get(), "getValues"), SDK_CALL_SITE);
    requireDataPath(dataPath, " does not exist");
    const bool older = usesItncTable(controllerType_.get());
    if (!older && !accessModeSet_) {
        logInformation("getValues", name_ + ": getValues: called without AccessMode (passwords) set, ignoring");
        return {};
    }
    std::shared_ptr<dnc::IJHDataEntryList> list;
    if (older) {
        auto dataEntry = getDataEntry(dataPath);
        guard_.run({"dataEntry->get_childList(&childList)", SDK_CALL_SITE},
                   [&] { return dataEntry->get_childList(&list); });
    } else {
        auto dataEntry = getDataEntry2(dataPath, true);
        guard_.run({"dataEntry->GetChildList(&dataEntryList)", SDK_CALL_SITE},
                   [&] { return dataEntry->GetChildList(&list); });
    }
    std::int32_t count = 0;
    guard_.run({older ? "childList->get_Count(&count)" : "dataEntryList->get_Count(&count)", SDK_CALL_SITE},
               [&] { return list->get_Count(&count); });
    std::vector<std::string> names;
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDataEntry> entry;
        guard_.run({older ? "childList->get_Item(i, &entry)" : "dataEntryList->get_Item(index, &entry)", SDK_CALL_SITE},
                   [&] { return list->get_Item(i, &entry); });
        std::string name;
        guard_.run({"entry->get_bstrName(&name)", SDK_CALL_SITE}, [&] { return entry->get_bstrName(&name); });
        names.push_back(std::move(name));
    }
    return names;
}

void DncShim::setValue(const std::string& dataPath, const std::string& value) {
    setValueWith(dataPath, toVariant(value), [&](const dnc::Variant& current) { return textAs(current, value); });
}

void DncShim::setValue(const std::string& dataPath, const nolt::Number& value) {
    setValueWith(dataPath, numberVariant(value), [&](const dnc::Variant& current) {
        auto variant = numberAs(current.vt(), value);
        if (!variant) {
            throw std::invalid_argument(
                guard_.errorMessage("property->put_varValue(variant)", dnc::kInvalidArg, SDK_CALL_SITE));
        }
        return *variant;
    });
}

void DncShim::setValueWith(const std::string& dataPath, const dnc::Variant& newerValue,
                           const std::function<dnc::Variant(const dnc::Variant&)>& olderValue) {
    try {
        requireDataPath(dataPath, " does not exist");
        if (usesItncTable(controllerType_.get())) {
            writeOlder(dataPath, olderValue);
        } else {
            writeNewer(dataPath, newerValue);
        }
    } catch (const std::exception& e) {
        logInformation("setValue", "Problem setting " + dataPath + " because: " + e.what());
        throw;
    }
}

void DncShim::writeNewer(const std::string& dataPath, const dnc::Variant& value) {
    auto dataEntry = getDataEntry2(dataPath, false);
    // Found disconnected once the lock is held, the write has a text of its own.
    if (!isConnected())
        throw std::runtime_error(SdkGuard::notConnectedMessage("dataEntry->SetPropertyValue", SDK_CALL_SITE));
    const SdkResult written = guard_.call(
        {"dataEntry->SetPropertyValue", SDK_CALL_SITE, Accepted::every(), OnLostLink::End},
        [&] { return dataEntry->SetPropertyValue(dnc::DNC_DATAENTRY_PROPKIND_DATA, value, dnc::VARIANT_TRUE); });
    if (written.linkLost()) {
        throw std::runtime_error(
            guard_.errorMessage("dataEntry->SetPropertyValue(dataPath=" + dataPath + ")", written.code, SDK_CALL_SITE));
    }
    if (written.ended)
        throw std::runtime_error("Unexpected online call writing to " + dataPath + " - already disconnected");
    if (written.code == dnc::kRecordLocked)
        throw std::runtime_error("Writing to " + dataPath + " failed - record is locked");
    if (dnc::failed(written.code)) {
        throw std::runtime_error(
            guard_.errorMessage("dataEntry->SetPropertyValue(dataPath=" + dataPath + ")", written.code, SDK_CALL_SITE));
    }
}

void DncShim::writeOlder(const std::string& dataPath,
                         const std::function<dnc::Variant(const dnc::Variant&)>& valueFor) {
    auto dataEntry = getDataEntry(dataPath);
    std::shared_ptr<dnc::IJHDataEntryPropertyList> propertyList;
    guard_.run({"dataEntry->get_propertyList(&propertyList)", SDK_CALL_SITE},
               [&] { return dataEntry->get_propertyList(&propertyList); });
    std::shared_ptr<dnc::IJHDataEntryProperty> property;
    guard_.run({"propertyList->get_property( HeidenhainDNCLib::DNC_DATAENTRY_PROPKIND_DATA, &property)", SDK_CALL_SITE},
               [&] { return propertyList->get_property(dnc::DNC_DATAENTRY_PROPKIND_DATA, &property); });
    dnc::VariantBool readOnly = dnc::VARIANT_FALSE;
    guard_.run({"property->get_readOnly(&readOnly)", SDK_CALL_SITE}, [&] { return property->get_readOnly(&readOnly); });
    // Skipping the write in silence would answer success for a value that never changed.
    if (readOnly != dnc::VARIANT_FALSE) throw std::runtime_error("Writing to " + dataPath + " failed - entry is protected");
    dnc::Variant origVariant;
    guard_.run({"property->get_varValue(&origVariant)", SDK_CALL_SITE},
               [&] { return property->get_varValue(&origVariant); });
    const dnc::Variant variant = valueFor(origVariant);
    guard_.run({"property->put_varValue(variant)", SDK_CALL_SITE}, [&] { return property->put_varValue(variant); });
}

}  // namespace heidenhain
