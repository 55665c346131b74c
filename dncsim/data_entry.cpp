#include "dncsim/data_entry.h"

#include <utility>

namespace dncsim {
namespace {

std::string childPath(const std::string& path, const std::string& name) {
    return (path == "\\" ? std::string() : path) + "\\" + name;
}

std::string lastName(const std::string& path) {
    const auto cut = path.rfind('\\');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// What an entry and its property objects share: where the value lives.
struct Place {
    std::shared_ptr<DataEvents> events;
    std::shared_ptr<DataTree> tree;
    std::string path;

    dnc::HRESULT enter(std::string_view operation) const { return events->link()->enter(operation); }
};

class DataProperty final : public dnc::IJHDataEntryProperty {
public:
    explicit DataProperty(Place place) : place_(std::move(place)) {}

    dnc::HRESULT get_varValue(dnc::Variant* value) override {
        if (auto hr = place_.enter("get_varValue"); dnc::failed(hr)) return hr;
        return place_.tree->read(place_.path, value);
    }
    dnc::HRESULT put_varValue(const dnc::Variant& value) override {
        if (auto hr = place_.enter("put_varValue"); dnc::failed(hr)) return hr;
        return place_.tree->write(place_.path, value);
    }
    dnc::HRESULT get_readOnly(dnc::VariantBool* readOnly) override {
        if (auto hr = place_.enter("get_readOnly"); dnc::failed(hr)) return hr;
        if (readOnly == nullptr) return dnc::kPointer;
        bool flag = false;
        if (auto hr = place_.tree->readOnly(place_.path, &flag); dnc::failed(hr)) return hr;
        *readOnly = flag ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE;
        return dnc::kOk;
    }

private:
    const Place place_;
};

class DataPropertyList final : public dnc::IJHDataEntryPropertyList {
public:
    explicit DataPropertyList(Place place) : place_(std::move(place)) {}

    dnc::HRESULT get_property(std::int32_t kind, std::shared_ptr<dnc::IJHDataEntryProperty>* property) override {
        if (auto hr = place_.enter("get_property"); dnc::failed(hr)) return hr;
        if (property == nullptr) return dnc::kPointer;
        // Only the value itself is simulated.
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        *property = std::make_shared<DataProperty>(place_);
        return dnc::kOk;
    }

private:
    const Place place_;
};

class DataEntryList final : public dnc::IJHDataEntryList {
public:
    DataEntryList(std::shared_ptr<ControllerLink> link, std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries)
        : link_(std::move(link)), entries_(std::move(entries)) {}

    dnc::HRESULT get_Count(std::int32_t* count) override {
        if (auto hr = link_->enter("get_Count"); dnc::failed(hr)) return hr;
        if (count == nullptr) return dnc::kPointer;
        *count = static_cast<std::int32_t>(entries_.size());
        return dnc::kOk;
    }
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDataEntry>* entry) override {
        if (auto hr = link_->enter("get_Item"); dnc::failed(hr)) return hr;
        if (entry == nullptr) return dnc::kPointer;
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return dnc::kBadParameter;
        *entry = entries_[static_cast<std::size_t>(index)];
        return dnc::kOk;
    }

private:
    const std::shared_ptr<ControllerLink> link_;
    const std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries_;
};

class DataEntry final : public dnc::IJHDataEntry {
public:
    explicit DataEntry(Place place) : place_(std::move(place)) {}

    dnc::HRESULT get_bstrName(std::string* name) override {
        if (auto hr = place_.enter("get_bstrName"); dnc::failed(hr)) return hr;
        if (name == nullptr) return dnc::kPointer;
        *name = lastName(place_.path);
        return dnc::kOk;
    }
    dnc::HRESULT get_propertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList>* propertyList) override {
        if (auto hr = place_.enter("get_propertyList"); dnc::failed(hr)) return hr;
        if (propertyList == nullptr) return dnc::kPointer;
        *propertyList = std::make_shared<DataPropertyList>(place_);
        return dnc::kOk;
    }
    dnc::HRESULT GetPropertyValue(std::int32_t kind, dnc::Variant* value) override {
        if (auto hr = place_.enter("GetPropertyValue"); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        return place_.tree->read(place_.path, value);
    }
    dnc::HRESULT SetPropertyValue(std::int32_t kind, const dnc::Variant& value, dnc::VariantBool) override {
        if (auto hr = place_.enter("SetPropertyValue"); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        return place_.tree->write(place_.path, value);
    }
    // The buffered access of the table functions is not simulated yet.
    dnc::HRESULT ReadPropertyValue(std::int32_t) override { return notYet("ReadPropertyValue"); }
    dnc::HRESULT get_propertyValue(std::int32_t, dnc::Variant*) override { return notYet("get_propertyValue"); }
    dnc::HRESULT put_propertyValue(std::int32_t, const dnc::Variant&) override { return notYet("put_propertyValue"); }
    dnc::HRESULT ReadTreeValues(std::int32_t) override { return notYet("ReadTreeValues"); }
    dnc::HRESULT WriteTreeValues(dnc::VariantBool) override { return notYet("WriteTreeValues"); }
    dnc::HRESULT get_child(const std::string&, std::shared_ptr<dnc::IJHDataEntry>*) override {
        return notYet("get_child");
    }
    dnc::HRESULT add_child(const std::string&, std::shared_ptr<dnc::IJHDataEntry>*) override {
        return notYet("add_child");
    }

    dnc::HRESULT GetChildList(std::shared_ptr<dnc::IJHDataEntryList>* children) override {
        return childList("GetChildList", children);
    }
    dnc::HRESULT get_childList(std::shared_ptr<dnc::IJHDataEntryList>* children) override {
        return childList("get_childList", children);
    }
    dnc::HRESULT get_childList2(std::shared_ptr<dnc::IJHDataEntryList>* children) override {
        return childList("get_childList2", children);
    }

    dnc::HRESULT Subscribe2(std::int32_t* handle) override {
        if (auto hr = place_.enter("Subscribe2"); dnc::failed(hr)) return hr;
        if (handle == nullptr) return dnc::kPointer;
        if (!place_.tree->exists(place_.path)) return dnc::kBadParameter;
        *handle = place_.events->subscribe(place_.path);
        return dnc::kOk;
    }
    dnc::HRESULT Unsubscribe(std::int32_t handle) override {
        if (auto hr = place_.enter("Unsubscribe"); dnc::failed(hr)) return hr;
        return place_.events->unsubscribe(handle) ? dnc::kOk : dnc::kBadParameter;
    }

private:
    dnc::HRESULT notYet(std::string_view operation) const {
        const auto hr = place_.enter(operation);
        return dnc::failed(hr) ? hr : dnc::kNotImplemented;
    }

    dnc::HRESULT childList(std::string_view operation, std::shared_ptr<dnc::IJHDataEntryList>* children) {
        if (auto hr = place_.enter(operation); dnc::failed(hr)) return hr;
        if (children == nullptr) return dnc::kPointer;
        std::vector<std::string> names;
        if (auto hr = place_.tree->children(place_.path, &names); dnc::failed(hr)) return hr;
        std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries;
        for (const auto& name : names) {
            entries.push_back(makeDataEntry(place_.events, place_.tree, childPath(place_.path, name)));
        }
        *children = makeDataEntryList(place_.events->link(), std::move(entries));
        return dnc::kOk;
    }

    const Place place_;
};

}  // namespace

std::shared_ptr<dnc::IJHDataEntry> makeDataEntry(std::shared_ptr<DataEvents> events, std::shared_ptr<DataTree> tree,
                                                 std::string path) {
    return std::make_shared<DataEntry>(Place{std::move(events), std::move(tree), DataTree::canonical(path)});
}

std::shared_ptr<dnc::IJHDataEntryList> makeDataEntryList(std::shared_ptr<ControllerLink> link,
                                                         std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries) {
    return std::make_shared<DataEntryList>(std::move(link), std::move(entries));
}

}  // namespace dncsim
