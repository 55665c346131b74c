// The DataAccess tree of the simulated component and its data events.
#include "dncsimcom/convert.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class DataEntryProperty final : public ServerObject<DNCSIM_PROPERTY> {
public:
    explicit DataEntryProperty(std::shared_ptr<dnc::IJHDataEntryProperty> property)
        : property_(std::move(property)) {}
    HRESULT STDMETHODCALLTYPE get_varValue(VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = property_->get_varValue(&found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE put_varValue(VARIANT value) override { return property_->put_varValue(simValue(value)); }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_READ_ONLY)(VARIANT_BOOL* readOnly) override {
        dnc::VariantBool flag = 0;
        const HRESULT hr = property_->get_readOnly(&flag);
        if (SUCCEEDED(hr)) *readOnly = flag;
        return hr;
    }

private:
    std::shared_ptr<dnc::IJHDataEntryProperty> property_;
};

class DataEntryPropertyList final : public ServerObject<DNCSIM_PROPERTY_LIST> {
public:
    explicit DataEntryPropertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList> list) : list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_property(DNCSIM_PROPERTY_KIND kind, DNCSIM_PROPERTY** property) override {
        std::shared_ptr<dnc::IJHDataEntryProperty> found;
        const HRESULT hr = list_->get_property(kind, &found);
        return giveObject<DNCSIM_PROPERTY>(hr, SUCCEEDED(hr) && found ? new DataEntryProperty(found) : nullptr,
                                           property);
    }

private:
    std::shared_ptr<dnc::IJHDataEntryPropertyList> list_;
};

class DataEntryList final : public ServerObject<DNCSIM_DATA_ENTRY_LIST> {
public:
    explicit DataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list) : list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        std::int32_t value = 0;
        const HRESULT hr = list_->get_Count(&value);
        if (SUCCEEDED(hr)) *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, DNCSIM_DATA_ENTRY** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = list_->get_Item(index, &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }

private:
    std::shared_ptr<dnc::IJHDataEntryList> list_;
};

class DataEntry final : public ServerObject<DNCSIM_DATA_ENTRY> {
public:
    explicit DataEntry(std::shared_ptr<dnc::IJHDataEntry> entry) : entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE get_bstrName(BSTR* name) override {
        std::string text;
        const HRESULT hr = entry_->get_bstrName(&text);
        return giveText(hr, text, name);
    }
    HRESULT STDMETHODCALLTYPE get_propertyList(DNCSIM_PROPERTY_LIST** list) override {
        std::shared_ptr<dnc::IJHDataEntryPropertyList> found;
        const HRESULT hr = entry_->get_propertyList(&found);
        return giveObject<DNCSIM_PROPERTY_LIST>(
            hr, SUCCEEDED(hr) && found ? new DataEntryPropertyList(found) : nullptr, list);
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(DNCSIM_PROPERTY_KIND kind, VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = entry_->GetPropertyValue(kind, &found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE SetPropertyValue(DNCSIM_PROPERTY_KIND kind, VARIANT value, VARIANT_BOOL wait) override {
        return entry_->SetPropertyValue(kind, simValue(value), wait);
    }
    HRESULT STDMETHODCALLTYPE ReadPropertyValue(DNCSIM_PROPERTY_KIND kind) override {
        return entry_->ReadPropertyValue(kind);
    }
    HRESULT STDMETHODCALLTYPE get_propertyValue(DNCSIM_PROPERTY_KIND kind, VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = entry_->get_propertyValue(kind, &found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE put_propertyValue(DNCSIM_PROPERTY_KIND kind, VARIANT value) override {
        return entry_->put_propertyValue(kind, simValue(value));
    }
    HRESULT STDMETHODCALLTYPE ReadTreeValues(DNCSIM_PROPERTY_KIND kind) override { return entry_->ReadTreeValues(kind); }
    HRESULT STDMETHODCALLTYPE WriteTreeValues(VARIANT_BOOL recursive) override {
        return entry_->WriteTreeValues(recursive);
    }
    HRESULT STDMETHODCALLTYPE GetChildList(DNCSIM_DATA_ENTRY_LIST** children) override {
        return list(&dnc::IJHDataEntry::GetChildList, children);
    }
    HRESULT STDMETHODCALLTYPE get_childList(DNCSIM_DATA_ENTRY_LIST** children) override {
        return list(&dnc::IJHDataEntry::get_childList, children);
    }
    HRESULT STDMETHODCALLTYPE get_childList2(DNCSIM_DATA_ENTRY_LIST** children) override {
        return list(&dnc::IJHDataEntry::get_childList2, children);
    }
    HRESULT STDMETHODCALLTYPE get_child(BSTR name, DNCSIM_DATA_ENTRY** child) override {
        return named(&dnc::IJHDataEntry::get_child, name, child);
    }
    HRESULT STDMETHODCALLTYPE add_child(BSTR name, DNCSIM_DATA_ENTRY** child) override {
        return named(&dnc::IJHDataEntry::add_child, name, child);
    }
    HRESULT STDMETHODCALLTYPE Subscribe2(LONG* handle) override {
        std::int32_t value = 0;
        const HRESULT hr = entry_->Subscribe2(&value);
        if (SUCCEEDED(hr)) *handle = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Unsubscribe(LONG handle) override { return entry_->Unsubscribe(handle); }

private:
    using ListRead = dnc::HRESULT (dnc::IJHDataEntry::*)(std::shared_ptr<dnc::IJHDataEntryList>*);
    using NamedRead = dnc::HRESULT (dnc::IJHDataEntry::*)(const std::string&, std::shared_ptr<dnc::IJHDataEntry>*);
    HRESULT list(ListRead read, DNCSIM_DATA_ENTRY_LIST** out) {
        std::shared_ptr<dnc::IJHDataEntryList> found;
        const HRESULT hr = ((*entry_).*read)(&found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntryList(found) : nullptr, out);
    }
    HRESULT named(NamedRead read, BSTR name, DNCSIM_DATA_ENTRY** out) {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = ((*entry_).*read)(textOf(name), &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, out);
    }
    std::shared_ptr<dnc::IJHDataEntry> entry_;
};

class DataAccess final : public EventServerObject<IJHDataAccess, _IJHDataAccessEvents2> {
public:
    explicit DataAccess(std::shared_ptr<dnc::IJHDataAccess> access) : access_(std::move(access)) {}
    HRESULT STDMETHODCALLTYPE SetAccessMode(LONG mode, BSTR password) override {
        return access_->SetAccessMode(mode, textOf(password));
    }
    HRESULT STDMETHODCALLTYPE GetDataEntry(BSTR path, DNCSIM_DATA_ENTRY** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = access_->GetDataEntry(textOf(path), &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }
    HRESULT STDMETHODCALLTYPE GetDataEntry2(BSTR path, DNCSIM_UNIT_SELECT unit, VARIANT_BOOL readValues,
                                            DNCSIM_DATA_ENTRY** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = access_->GetDataEntry2(textOf(path), unit, readValues, &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }
    HRESULT adviseSink(IUnknown* sink, DWORD* cookie) override {
        return adviseTo(*access_, dataAccessEventsTo(sink), cookie);
    }
    HRESULT unadviseSink(DWORD cookie) override { return access_->Unadvise(cookie); }

private:
    std::shared_ptr<dnc::IJHDataAccess> access_;
};

}  // namespace

IJHDataAccess* newDataAccess(std::shared_ptr<dnc::IJHDataAccess> dataAccess) {
    return dataAccess ? new DataAccess(std::move(dataAccess)) : nullptr;
}

DNCSIM_DATA_ENTRY* newDataEntry(std::shared_ptr<dnc::IJHDataEntry> entry) {
    return entry ? new DataEntry(std::move(entry)) : nullptr;
}

DNCSIM_DATA_ENTRY_LIST* newDataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list) {
    return list ? new DataEntryList(std::move(list)) : nullptr;
}

}  // namespace dncsimcom
