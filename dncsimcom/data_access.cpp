// The DataAccess tree of the simulated component and its data events.
#include "dnccom/text.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

using dnccom::fromBstr;
using dnccom::toDncVariant;

class DataAccessEvents final : public dnc::IJHDataAccessEvents2 {
public:
    explicit DataAccessEvents(ComPtr<IDispatch> sink) : sink_(std::move(sink)) {}
    dnc::HRESULT OnData2(std::int32_t handle, double timeStamp, std::shared_ptr<dnc::IJHDataEntryList> list) override {
        IJHDataEntryList* entries = newDataEntryList(std::move(list));
        Var listArgument = Var::dispatch(entries);
        if (entries) entries->Release();
        return fire(sink_.get(), 2, Var::i4(handle), Var::from(dnc::Variant::fromReal(dnc::VT_DATE, timeStamp)),
                    listArgument);
    }

private:
    ComPtr<IDispatch> sink_;
};

class DataEntryProperty final : public ServerObject<IJHDataEntryProperty> {
public:
    explicit DataEntryProperty(std::shared_ptr<dnc::IJHDataEntryProperty> property)
        : ServerObject(IID_IJHDataEntryProperty), property_(std::move(property)) {}
    HRESULT STDMETHODCALLTYPE get_varValue(VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = property_->get_varValue(&found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE put_varValue(VARIANT value) override { return property_->put_varValue(toDncVariant(value)); }
    HRESULT STDMETHODCALLTYPE get_readOnly(VARIANT_BOOL* readOnly) override {
        dnc::VariantBool flag = 0;
        const HRESULT hr = property_->get_readOnly(&flag);
        if (SUCCEEDED(hr)) *readOnly = flag;
        return hr;
    }

private:
    std::shared_ptr<dnc::IJHDataEntryProperty> property_;
};

class DataEntryPropertyList final : public ServerObject<IJHDataEntryPropertyList> {
public:
    explicit DataEntryPropertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList> list)
        : ServerObject(IID_IJHDataEntryPropertyList), list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_property(DNC_DATAENTRY_PROPKIND kind, IJHDataEntryProperty** property) override {
        std::shared_ptr<dnc::IJHDataEntryProperty> found;
        const HRESULT hr = list_->get_property(kind, &found);
        return giveObject<IJHDataEntryProperty>(hr, SUCCEEDED(hr) && found ? new DataEntryProperty(found) : nullptr,
                                                property);
    }

private:
    std::shared_ptr<dnc::IJHDataEntryPropertyList> list_;
};

class DataEntryList final : public ServerObject<IJHDataEntryList> {
public:
    explicit DataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list)
        : ServerObject(IID_IJHDataEntryList), list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        std::int32_t value = 0;
        const HRESULT hr = list_->get_Count(&value);
        if (SUCCEEDED(hr)) *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, IJHDataEntry** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = list_->get_Item(index, &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }

private:
    std::shared_ptr<dnc::IJHDataEntryList> list_;
};

class DataEntry final : public ServerObject<IJHDataEntry> {
public:
    explicit DataEntry(std::shared_ptr<dnc::IJHDataEntry> entry)
        : ServerObject(IID_IJHDataEntry), entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE get_bstrName(BSTR* name) override {
        std::string text;
        const HRESULT hr = entry_->get_bstrName(&text);
        return giveText(hr, text, name);
    }
    HRESULT STDMETHODCALLTYPE get_propertyList(IJHDataEntryPropertyList** list) override {
        std::shared_ptr<dnc::IJHDataEntryPropertyList> found;
        const HRESULT hr = entry_->get_propertyList(&found);
        return giveObject<IJHDataEntryPropertyList>(
            hr, SUCCEEDED(hr) && found ? new DataEntryPropertyList(found) : nullptr, list);
    }
    HRESULT STDMETHODCALLTYPE GetPropertyValue(DNC_DATAENTRY_PROPKIND kind, VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = entry_->GetPropertyValue(kind, &found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE SetPropertyValue(DNC_DATAENTRY_PROPKIND kind, VARIANT value, VARIANT_BOOL wait) override {
        return entry_->SetPropertyValue(kind, toDncVariant(value), wait);
    }
    HRESULT STDMETHODCALLTYPE ReadPropertyValue(DNC_DATAENTRY_PROPKIND kind) override {
        return entry_->ReadPropertyValue(kind);
    }
    HRESULT STDMETHODCALLTYPE get_propertyValue(DNC_DATAENTRY_PROPKIND kind, VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = entry_->get_propertyValue(kind, &found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE put_propertyValue(DNC_DATAENTRY_PROPKIND kind, VARIANT value) override {
        return entry_->put_propertyValue(kind, toDncVariant(value));
    }
    HRESULT STDMETHODCALLTYPE ReadTreeValues(DNC_DATAENTRY_PROPKIND kind) override { return entry_->ReadTreeValues(kind); }
    HRESULT STDMETHODCALLTYPE WriteTreeValues(VARIANT_BOOL recursive) override {
        return entry_->WriteTreeValues(recursive);
    }
    HRESULT STDMETHODCALLTYPE GetChildList(IJHDataEntryList** children) override {
        return list(&dnc::IJHDataEntry::GetChildList, children);
    }
    HRESULT STDMETHODCALLTYPE get_childList(IJHDataEntryList** children) override {
        return list(&dnc::IJHDataEntry::get_childList, children);
    }
    HRESULT STDMETHODCALLTYPE get_childList2(IJHDataEntryList** children) override {
        return list(&dnc::IJHDataEntry::get_childList2, children);
    }
    HRESULT STDMETHODCALLTYPE get_child(BSTR name, IJHDataEntry** child) override {
        return named(&dnc::IJHDataEntry::get_child, name, child);
    }
    HRESULT STDMETHODCALLTYPE add_child(BSTR name, IJHDataEntry** child) override {
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
    HRESULT list(ListRead read, IJHDataEntryList** out) {
        std::shared_ptr<dnc::IJHDataEntryList> found;
        const HRESULT hr = ((*entry_).*read)(&found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntryList(found) : nullptr, out);
    }
    HRESULT named(NamedRead read, BSTR name, IJHDataEntry** out) {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = ((*entry_).*read)(fromBstr(name), &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, out);
    }
    std::shared_ptr<dnc::IJHDataEntry> entry_;
};

class DataAccess final : public EventServerObject<IJHDataAccess> {
public:
    explicit DataAccess(std::shared_ptr<dnc::IJHDataAccess> access)
        : EventServerObject(IID_IJHDataAccess, DIID__IJHDataAccessEvents2), access_(std::move(access)) {}
    HRESULT STDMETHODCALLTYPE SetAccessMode(LONG mode, BSTR password) override {
        return access_->SetAccessMode(mode, fromBstr(password));
    }
    HRESULT STDMETHODCALLTYPE GetDataEntry(BSTR path, IJHDataEntry** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = access_->GetDataEntry(fromBstr(path), &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }
    HRESULT STDMETHODCALLTYPE GetDataEntry2(BSTR path, DNC_DATA_UNIT_SELECT unit, VARIANT_BOOL readValues,
                                            IJHDataEntry** entry) override {
        std::shared_ptr<dnc::IJHDataEntry> found;
        const HRESULT hr = access_->GetDataEntry2(fromBstr(path), unit, readValues, &found);
        return giveObject(hr, SUCCEEDED(hr) ? newDataEntry(found) : nullptr, entry);
    }
    HRESULT adviseSink(ComPtr<IDispatch> sink, DWORD* cookie) override {
        return adviseWrapped<DataAccessEvents>(*access_, std::move(sink), cookie);
    }
    HRESULT unadviseSink(DWORD cookie) override { return access_->Unadvise(cookie); }

private:
    std::shared_ptr<dnc::IJHDataAccess> access_;
};

}  // namespace

IJHDataAccess* newDataAccess(std::shared_ptr<dnc::IJHDataAccess> dataAccess) {
    return dataAccess ? new DataAccess(std::move(dataAccess)) : nullptr;
}

IJHDataEntry* newDataEntry(std::shared_ptr<dnc::IJHDataEntry> entry) {
    return entry ? new DataEntry(std::move(entry)) : nullptr;
}

IJHDataEntryList* newDataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list) {
    return list ? new DataEntryList(std::move(list)) : nullptr;
}

}  // namespace dncsimcom
