#include "dnccom/data_access.h"

#include "dnccom/constants.h"
#include "dnccom/sinks.h"

namespace dnccom {

ComDataEntryList::ComDataEntryList(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDataEntryList::get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDataEntry>* entry) {
    if (entry == nullptr) return E_POINTER;
    const Var at = Var::i4(index);
    Var result;
    return assignObject<ComDataEntry>(call("get_Item", {in(at), out(result)}), result, entry);
}

ComDataEntryProperty::ComDataEntryProperty(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDataEntryProperty::put_varValue(const dnc::Variant& value) {
    const Var given = Var::from(value);
    return call("put_varValue", {in(given)});
}

ComDataEntryPropertyList::ComDataEntryPropertyList(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDataEntryPropertyList::get_property(std::int32_t kind,
                                               std::shared_ptr<dnc::IJHDataEntryProperty>* property) {
    if (property == nullptr) return E_POINTER;
    const Var which = propertyKind(kind);
    Var result;
    return assignObject<ComDataEntryProperty>(call("get_property", {in(which), out(result)}), result, property);
}

ComDataEntry::ComDataEntry(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDataEntry::get_propertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList>* propertyList) {
    if (propertyList == nullptr) return E_POINTER;
    Var result;
    return assignObject<ComDataEntryPropertyList>(call("get_propertyList", {out(result)}), result, propertyList);
}

dnc::HRESULT ComDataEntry::GetPropertyValue(std::int32_t kind, dnc::Variant* value) {
    return get("GetPropertyValue", propertyKind(kind), value);
}

dnc::HRESULT ComDataEntry::SetPropertyValue(std::int32_t kind, const dnc::Variant& value,
                                       dnc::VariantBool waitForCompletion) {
    const Var which = propertyKind(kind);
    const Var given = Var::from(value);
    const Var wait = Var::boolean(waitForCompletion);
    return call("SetPropertyValue", {in(which), in(given), in(wait)});
}

dnc::HRESULT ComDataEntry::ReadPropertyValue(std::int32_t kind) {
    const Var which = propertyKind(kind);
    return call("ReadPropertyValue", {in(which)});
}

dnc::HRESULT ComDataEntry::get_propertyValue(std::int32_t kind, dnc::Variant* value) {
    return get("get_propertyValue", propertyKind(kind), value);
}

dnc::HRESULT ComDataEntry::put_propertyValue(std::int32_t kind, const dnc::Variant& value) {
    const Var which = propertyKind(kind);
    const Var given = Var::from(value);
    return call("put_propertyValue", {in(which), in(given)});
}

dnc::HRESULT ComDataEntry::ReadTreeValues(std::int32_t kind) {
    const Var which = propertyKind(kind);
    return call("ReadTreeValues", {in(which)});
}

dnc::HRESULT ComDataEntry::WriteTreeValues(dnc::VariantBool recursive) {
    const Var given = Var::boolean(recursive);
    return call("WriteTreeValues", {in(given)});
}

dnc::HRESULT ComDataEntry::Unsubscribe(std::int32_t handle) {
    const Var given = Var::i4(handle);
    return call("Unsubscribe", {in(given)});
}

dnc::HRESULT ComDataEntry::list(const char* method, std::shared_ptr<dnc::IJHDataEntryList>* children) const {
    if (children == nullptr) return E_POINTER;
    Var result;
    return assignObject<ComDataEntryList>(call(method, {out(result)}), result, children);
}

dnc::HRESULT ComDataEntry::entry(const char* method, const std::string& name,
                            std::shared_ptr<dnc::IJHDataEntry>* child) const {
    if (child == nullptr) return E_POINTER;
    const Var given = Var::text(name);
    Var result;
    return assignObject<ComDataEntry>(call(method, {in(given), out(result)}), result, child);
}

ComDataAccess::ComDataAccess(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDataAccess::SetAccessMode(std::int32_t accessMode, const std::string& password) {
    const Var mode = Var::i4(accessMode);
    const Var secret = Var::text(password);
    return call("SetAccessMode", {in(mode), in(secret)});
}

dnc::HRESULT ComDataAccess::GetDataEntry(const std::string& dataPath, std::shared_ptr<dnc::IJHDataEntry>* entry) {
    if (entry == nullptr) return E_POINTER;
    const Var path = Var::text(dataPath);
    Var result;
    return assignObject<ComDataEntry>(call("GetDataEntry", {in(path), out(result)}), result, entry);
}

dnc::HRESULT ComDataAccess::GetDataEntry2(const std::string& dataPath, std::int32_t unit, dnc::VariantBool readValues,
                                     std::shared_ptr<dnc::IJHDataEntry>* entry) {
    if (entry == nullptr) return E_POINTER;
    const Var path = Var::text(dataPath);
    const Var units = unitSelect(unit);
    const Var read = Var::boolean(readValues);
    Var result;
    return assignObject<ComDataEntry>(call("GetDataEntry2", {in(path), in(units), in(read), out(result)}), result,
                                      entry);
}

dnc::HRESULT ComDataAccess::Advise(std::shared_ptr<dnc::IJHDataAccessEvents2> sink, std::uint32_t* cookie) {
    if (!sink) return E_POINTER;
    return sinks_.advise(dispatch(), kDataAccessEvents, dataAccessEventSink(std::move(sink)), cookie);
}

dnc::HRESULT ComDataAccess::Unadvise(std::uint32_t cookie) { return sinks_.unadvise(dispatch(), kDataAccessEvents, cookie); }

}  // namespace dnccom
