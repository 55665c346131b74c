#pragma once
// The component's DataAccess tree: the interface, entries, entry lists and
// entry properties.
#include "dnc/data_access.h"
#include "dnccom/event_sink.h"
#include "dnccom/object.h"

namespace dnccom {

class ComDataEntryList final : public dnc::IJHDataEntryList, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDataEntryList";
    explicit ComDataEntryList(ComPtr<IDispatch> object);
    dnc::HRESULT get_Count(std::int32_t* count) override { return get("get_Count", count); }
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDataEntry>* entry) override;
};

class ComDataEntryProperty final : public dnc::IJHDataEntryProperty, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDataEntryProperty";
    explicit ComDataEntryProperty(ComPtr<IDispatch> object);
    dnc::HRESULT get_varValue(dnc::Variant* value) override { return get("get_varValue", value); }
    dnc::HRESULT put_varValue(const dnc::Variant& value) override;
    dnc::HRESULT get_readOnly(dnc::VariantBool* readOnly) override { return get("get_readOnly", readOnly); }
};

class ComDataEntryPropertyList final : public dnc::IJHDataEntryPropertyList, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDataEntryPropertyList";
    explicit ComDataEntryPropertyList(ComPtr<IDispatch> object);
    dnc::HRESULT get_property(std::int32_t kind, std::shared_ptr<dnc::IJHDataEntryProperty>* property) override;
};

class ComDataEntry final : public dnc::IJHDataEntry, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDataEntry";
    explicit ComDataEntry(ComPtr<IDispatch> object);
    dnc::HRESULT get_bstrName(std::string* name) override { return get("get_bstrName", name); }
    dnc::HRESULT get_propertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList>* propertyList) override;
    dnc::HRESULT GetPropertyValue(std::int32_t kind, dnc::Variant* value) override;
    dnc::HRESULT SetPropertyValue(std::int32_t kind, const dnc::Variant& value, dnc::VariantBool waitForCompletion) override;
    dnc::HRESULT ReadPropertyValue(std::int32_t kind) override;
    dnc::HRESULT get_propertyValue(std::int32_t kind, dnc::Variant* value) override;
    dnc::HRESULT put_propertyValue(std::int32_t kind, const dnc::Variant& value) override;
    dnc::HRESULT ReadTreeValues(std::int32_t kind) override;
    dnc::HRESULT WriteTreeValues(dnc::VariantBool recursive) override;
    dnc::HRESULT GetChildList(std::shared_ptr<dnc::IJHDataEntryList>* children) override { return list("GetChildList", children); }
    dnc::HRESULT get_childList(std::shared_ptr<dnc::IJHDataEntryList>* children) override { return list("get_childList", children); }
    dnc::HRESULT get_childList2(std::shared_ptr<dnc::IJHDataEntryList>* children) override {
        return list("get_childList2", children);
    }
    dnc::HRESULT get_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) override {
        return entry("get_child", name, child);
    }
    dnc::HRESULT add_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) override {
        return entry("add_child", name, child);
    }
    dnc::HRESULT Subscribe2(std::int32_t* handle) override { return get("Subscribe2", handle); }
    dnc::HRESULT Unsubscribe(std::int32_t handle) override;

private:
    dnc::HRESULT list(const char* method, std::shared_ptr<dnc::IJHDataEntryList>* children) const;
    dnc::HRESULT entry(const char* method, const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) const;
};

class ComDataAccess final : public dnc::IJHDataAccess, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDataAccess";
    explicit ComDataAccess(ComPtr<IDispatch> object);
    dnc::HRESULT SetAccessMode(std::int32_t accessMode, const std::string& password) override;
    dnc::HRESULT GetDataEntry(const std::string& dataPath, std::shared_ptr<dnc::IJHDataEntry>* entry) override;
    dnc::HRESULT GetDataEntry2(const std::string& dataPath, std::int32_t unitSelect, dnc::VariantBool readValues,
                          std::shared_ptr<dnc::IJHDataEntry>* entry) override;
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHDataAccessEvents2> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

private:
    AttachedSinks sinks_;
};

}  // namespace dnccom
