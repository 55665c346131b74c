// The older controls' access to a value: entry, property list, property.
#include "dncsim/data_place.h"

namespace dncsim {
namespace {

class DataProperty final : public dnc::IJHDataEntryProperty {
public:
    explicit DataProperty(DataPlace place) : place_(std::move(place)) {}

    dnc::HRESULT get_varValue(dnc::Variant* value) override {
        if (auto hr = place_.enter("get_varValue"); dnc::failed(hr)) return hr;
        DataTarget target;
        if (auto hr = place_.resolve(&target); dnc::failed(hr)) return hr;
        return readTarget(*place_.tree, target, value);
    }
    dnc::HRESULT put_varValue(const dnc::Variant& value) override {
        if (auto hr = place_.enter("put_varValue"); dnc::failed(hr)) return hr;
        DataTarget target;
        if (auto hr = place_.resolve(&target); dnc::failed(hr)) return hr;
        return writeTarget(*place_.tree, target, value);
    }
    dnc::HRESULT get_readOnly(dnc::VariantBool* readOnly) override {
        if (auto hr = place_.enter("get_readOnly"); dnc::failed(hr)) return hr;
        if (readOnly == nullptr) return dnc::kPointer;
        DataTarget target;
        if (auto hr = place_.resolve(&target); dnc::failed(hr)) return hr;
        bool flag = false;
        if (auto hr = readOnlyTarget(*place_.tree, target, &flag); dnc::failed(hr)) return hr;
        *readOnly = flag ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE;
        return dnc::kOk;
    }

private:
    const DataPlace place_;
};

class DataPropertyList final : public dnc::IJHDataEntryPropertyList {
public:
    explicit DataPropertyList(DataPlace place) : place_(std::move(place)) {}

    dnc::HRESULT get_property(std::int32_t kind, std::shared_ptr<dnc::IJHDataEntryProperty>* property) override {
        if (auto hr = place_.enter("get_property"); dnc::failed(hr)) return hr;
        if (property == nullptr) return dnc::kPointer;
        // Only the value itself is simulated.
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        *property = std::make_shared<DataProperty>(place_);
        return dnc::kOk;
    }

private:
    const DataPlace place_;
};

}  // namespace

std::shared_ptr<dnc::IJHDataEntryPropertyList> makePropertyList(DataPlace place) {
    return std::make_shared<DataPropertyList>(std::move(place));
}

}  // namespace dncsim
