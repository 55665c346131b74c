#include "dncsim/data_entry.h"

#include <utility>

#include "dncsim/data_place.h"

namespace dncsim {
namespace {

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

std::string childPath(const std::string& path, const std::string& name) {
    return (path == "\\" ? std::string() : path) + "\\" + name;
}

class DataEntry final : public dnc::IJHDataEntry {
public:
    explicit DataEntry(DataPlace place) : place_(std::move(place)) {}

    // The name is the entry's own: it answers also once the entry is gone.
    dnc::HRESULT get_bstrName(std::string* name) override {
        if (auto hr = place_.enter("get_bstrName"); dnc::failed(hr)) return hr;
        if (name == nullptr) return dnc::kPointer;
        *name = place_.name ? *place_.name : unquoted(place_.path.substr(place_.path.rfind('\\') + 1));
        return dnc::kOk;
    }
    dnc::HRESULT get_propertyList(std::shared_ptr<dnc::IJHDataEntryPropertyList>* propertyList) override {
        if (auto hr = place_.enter("get_propertyList"); dnc::failed(hr)) return hr;
        if (propertyList == nullptr) return dnc::kPointer;
        *propertyList = makePropertyList(place_);
        return dnc::kOk;
    }
    dnc::HRESULT GetPropertyValue(std::int32_t kind, dnc::Variant* value) override {
        DataTarget target;
        if (auto hr = begin("GetPropertyValue", &target, value != nullptr); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        return readTarget(*place_.tree, target, value);
    }
    dnc::HRESULT SetPropertyValue(std::int32_t kind, const dnc::Variant& value, dnc::VariantBool) override {
        DataTarget target;
        if (auto hr = begin("SetPropertyValue", &target); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        return writeTarget(*place_.tree, target, value);
    }

    // Buffered access: values held on the client's side until written.
    dnc::HRESULT ReadPropertyValue(std::int32_t kind) override {
        DataTarget target;
        if (auto hr = begin("ReadPropertyValue", &target); dnc::failed(hr)) return hr;
        if (kind == dnc::DNC_DATAENTRY_PROPKIND_INITIALVALUE || kind == kPropKindHasInitialValue)
            return initialValueOf(target, nullptr);
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        dnc::Variant value;
        if (auto hr = readTarget(*place_.tree, target, &value); dnc::failed(hr)) return hr;
        place_.buffer->fetched(target.path(), std::move(value));
        return dnc::kOk;
    }
    dnc::HRESULT get_propertyValue(std::int32_t kind, dnc::Variant* value) override {
        DataTarget target;
        if (auto hr = begin("get_propertyValue", &target, value != nullptr); dnc::failed(hr)) return hr;
        if (kind == dnc::DNC_DATAENTRY_PROPKIND_INITIALVALUE) return initialValueOf(target, value);
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        // Not fetched yet: the control is asked.
        if (auto held = place_.buffer->value(target.path())) {
            *value = std::move(*held);
            return dnc::kOk;
        }
        return readTarget(*place_.tree, target, value);
    }
    dnc::HRESULT put_propertyValue(std::int32_t kind, const dnc::Variant& value) override {
        DataTarget target;
        if (auto hr = begin("put_propertyValue", &target); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        place_.buffer->stage(target.path(), value);
        return dnc::kOk;
    }
    dnc::HRESULT ReadTreeValues(std::int32_t kind) override {
        DataTarget target;
        if (auto hr = begin("ReadTreeValues", &target); dnc::failed(hr)) return hr;
        if (kind != dnc::DNC_DATAENTRY_PROPKIND_DATA) return dnc::kBadParameter;
        std::vector<DataTree::Leaf> values;
        if (auto hr = valuesOf(*place_.tree, target, &values); dnc::failed(hr)) return hr;
        for (auto& [path, value] : values) place_.buffer->fetched(path, std::move(value));
        return dnc::kOk;
    }
    dnc::HRESULT WriteTreeValues(dnc::VariantBool recursive) override;

    dnc::HRESULT get_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) override;
    dnc::HRESULT add_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) override;

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
        DataTarget target;
        if (auto hr = begin("Subscribe2", &target, handle != nullptr); dnc::failed(hr)) return hr;
        *handle = place_.events->subscribe(place_.path);
        return dnc::kOk;
    }
    dnc::HRESULT Unsubscribe(std::int32_t handle) override {
        if (auto hr = place_.enter("Unsubscribe"); dnc::failed(hr)) return hr;
        return place_.events->unsubscribe(handle) ? dnc::kOk : dnc::kBadParameter;
    }

private:
    // The start of every operation on the entry: faults and link, the out
    // parameter, and what the path addresses now.
    dnc::HRESULT begin(std::string_view operation, DataTarget* target, bool outGiven = true) const {
        if (auto hr = place_.enter(operation); dnc::failed(hr)) return hr;
        if (!outGiven) return dnc::kPointer;
        return place_.resolve(target);
    }

    dnc::HRESULT childList(std::string_view operation, std::shared_ptr<dnc::IJHDataEntryList>* children) {
        DataTarget target;
        if (auto hr = begin(operation, &target, children != nullptr); dnc::failed(hr)) return hr;
        std::vector<DataChild> found;
        if (auto hr = childrenOf(*place_.tree, target, &found); dnc::failed(hr)) return hr;
        std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries;
        for (auto& child : found) entries.push_back(makeDataEntry(place_.at(std::move(child.path), std::move(child.name))));
        *children = makeDataEntryList(place_.events->link(), std::move(entries));
        return dnc::kOk;
    }

    const DataPlace place_;
};

dnc::HRESULT DataEntry::WriteTreeValues(dnc::VariantBool recursive) {
    DataTarget target;
    if (auto hr = begin("WriteTreeValues", &target); dnc::failed(hr)) return hr;
    const auto staged = place_.buffer->takeStaged([&](const std::string& path) {
        return recursive != dnc::VARIANT_FALSE ? touches(target, path) : path == target.path();
    });
    // Every staged value is tried; the first failure is the answer.
    dnc::HRESULT answer = dnc::kOk;
    for (const auto& slot : staged) {
        DataTarget written;
        dnc::HRESULT hr = place_.at(slot.path).resolve(&written);
        if (dnc::succeeded(hr)) hr = writeTarget(*place_.tree, written, slot.value);
        if (dnc::failed(hr) && dnc::succeeded(answer)) answer = hr;
    }
    return answer;
}

dnc::HRESULT DataEntry::get_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) {
    DataTarget target;
    if (auto hr = begin("get_child", &target, child != nullptr); dnc::failed(hr)) return hr;
    // A range is a set of rows: it has no single child of that name.
    if (target.is(TableTarget::Kind::Range)) return dnc::kNoValidItem;
    auto place = place_.at(childPath(place_.path, name));
    DataTarget found;
    if (dnc::failed(place.resolve(&found))) return dnc::kNoValidItem;
    *child = makeDataEntry(std::move(place));
    return dnc::kOk;
}

dnc::HRESULT DataEntry::add_child(const std::string& name, std::shared_ptr<dnc::IJHDataEntry>* child) {
    DataTarget target;
    if (auto hr = begin("add_child", &target, child != nullptr); dnc::failed(hr)) return hr;
    if (target.is(TableTarget::Kind::Column) && target.at.column == target.table->key) {
        // A new row: every column empty but its key.
        if (auto hr = insertRow(*place_.tree, *target.table, name); dnc::failed(hr)) return hr;
        *child = makeDataEntry(place_.at(childPath(target.table->rowsPath(), name)));
        return dnc::kOk;
    }
    // A row has all its columns already: adding one gives the one it has.
    if (target.is(TableTarget::Kind::Row) && target.table->hasColumn(name)) {
        *child = makeDataEntry(place_.at(childPath(target.path(), name)));
        return dnc::kOk;
    }
    return dnc::kInvalidArg;
}

}  // namespace

std::shared_ptr<dnc::IJHDataEntry> makeDataEntry(DataPlace place) { return std::make_shared<DataEntry>(std::move(place)); }

std::shared_ptr<dnc::IJHDataEntry> makeDataEntry(std::shared_ptr<DataEvents> events, std::shared_ptr<DataTree> tree,
                                                 std::string path) {
    return makeDataEntry(DataPlace{std::move(events), std::move(tree), DataTree::canonical(path), std::nullopt,
                                   std::make_shared<DataBuffer>()});
}

std::shared_ptr<dnc::IJHDataEntryList> makeDataEntryList(std::shared_ptr<ControllerLink> link,
                                                         std::vector<std::shared_ptr<dnc::IJHDataEntry>> entries) {
    return std::make_shared<DataEntryList>(std::move(link), std::move(entries));
}

}  // namespace dncsim
