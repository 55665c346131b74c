#include "dncsim/connection_list.h"

#include <algorithm>

namespace dncsim {
namespace {

bool knownCncType(std::int32_t cncType) {
    return cncType >= dnc::DNC_CNC_TYPE_ITNC && cncType <= dnc::DNC_CNC_TYPE_GRINDPLUS640_NCK;
}

bool knownProtocol(std::int32_t protocol) {
    return protocol == dnc::DNC_PROT_LSV2 || protocol == dnc::DNC_PROT_TCPIP || protocol == dnc::DNC_PROT_COM ||
           protocol == dnc::DNC_PROT_RPC;
}

}  // namespace

dnc::HRESULT ConnectionProperty::get_value(dnc::Variant* value) {
    if (auto hr = faults_.enter("get_value", {}); dnc::failed(hr)) return hr;
    if (value == nullptr) return dnc::kPointer;
    *value = this->value();
    return dnc::kOk;
}

dnc::HRESULT ConnectionProperty::put_value(const dnc::Variant& value) {
    if (auto hr = faults_.enter("put_value", {}); dnc::failed(hr)) return hr;
    std::lock_guard<std::mutex> lock(mutex_);
    value_ = value;
    return dnc::kOk;
}

dnc::Variant ConnectionProperty::value() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return value_;
}

Connection::Connection(Faults& faults, std::int32_t cncType, std::int32_t protocol)
    : faults_(faults), cncType_(cncType), protocol_(protocol), host_(std::make_shared<ConnectionProperty>(faults)) {}

dnc::HRESULT Connection::get_name(std::string* name) {
    if (auto hr = faults_.enter("get_name", {}); dnc::failed(hr)) return hr;
    if (name == nullptr) return dnc::kPointer;
    *name = this->name();
    return dnc::kOk;
}

dnc::HRESULT Connection::put_name(const std::string& name) {
    if (auto hr = faults_.enter("put_name", {}); dnc::failed(hr)) return hr;
    std::lock_guard<std::mutex> lock(mutex_);
    name_ = name;
    return dnc::kOk;
}

dnc::HRESULT Connection::get_cncType(std::int32_t* cncType) {
    if (auto hr = faults_.enter("get_cncType", {}); dnc::failed(hr)) return hr;
    if (cncType == nullptr) return dnc::kPointer;
    *cncType = cncType_;
    return dnc::kOk;
}

dnc::HRESULT Connection::get_protocol(std::int32_t* protocol) {
    if (auto hr = faults_.enter("get_protocol", {}); dnc::failed(hr)) return hr;
    if (protocol == nullptr) return dnc::kPointer;
    *protocol = protocol_;
    return dnc::kOk;
}

dnc::HRESULT Connection::get_ConnectionProperty(dnc::DNC_CONNECTION_PROPERTY kind,
                                                std::shared_ptr<dnc::IJHConnectionProperty>* property) {
    if (auto hr = faults_.enter("get_ConnectionProperty", {}); dnc::failed(hr)) return hr;
    if (property == nullptr) return dnc::kPointer;
    if (kind != dnc::DNC_CP_HOST) return dnc::kBadParameter;
    *property = host_;
    return dnc::kOk;
}

std::string Connection::name() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return name_;
}

std::string Connection::host() const {
    const auto value = host_->value();
    return value.text();
}

std::int32_t ConnectionStore::count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<std::int32_t>(connections_.size());
}

std::shared_ptr<Connection> ConnectionStore::at(std::int32_t index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || index >= static_cast<std::int32_t>(connections_.size())) return nullptr;
    return connections_[static_cast<std::size_t>(index)];
}

std::shared_ptr<Connection> ConnectionStore::find(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& connection : connections_) {
        if (connection->name() == name) return connection;
    }
    return nullptr;
}

// Connections are found by name, so the list keeps names unique and non-empty.
dnc::HRESULT ConnectionStore::add(std::shared_ptr<Connection> connection) {
    const auto name = connection->name();
    if (name.empty()) return dnc::kBadParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& listed : connections_) {
        if (listed == connection || listed->name() == name) return dnc::kBadParameter;
    }
    connections_.push_back(std::move(connection));
    return dnc::kOk;
}

dnc::HRESULT ConnectionStore::remove(std::int32_t index) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (index < 0 || index >= static_cast<std::int32_t>(connections_.size())) return dnc::kInvalidArg;
    connections_.erase(connections_.begin() + index);
    return dnc::kOk;
}

void ConnectionStore::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    connections_.clear();
}

ConnectionList::ConnectionList(std::shared_ptr<ConnectionStore> store, Faults& faults)
    : store_(std::move(store)), faults_(faults) {}

dnc::HRESULT ConnectionList::get_Count(std::int32_t* count) {
    if (auto hr = faults_.enter("get_Count", {}); dnc::failed(hr)) return hr;
    if (count == nullptr) return dnc::kPointer;
    *count = store_->count();
    return dnc::kOk;
}

dnc::HRESULT ConnectionList::get_Item(std::int32_t index, std::shared_ptr<dnc::IJHConnection>* connection) {
    if (auto hr = faults_.enter("get_Item", {}); dnc::failed(hr)) return hr;
    if (connection == nullptr) return dnc::kPointer;
    auto item = store_->at(index);
    if (!item) return dnc::kInvalidArg;
    *connection = std::move(item);
    return dnc::kOk;
}

dnc::HRESULT ConnectionList::NewConnection(std::int32_t cncType, std::int32_t protocol,
                                           std::shared_ptr<dnc::IJHConnection>* connection) {
    if (auto hr = faults_.enter("NewConnection", {}); dnc::failed(hr)) return hr;
    if (connection == nullptr) return dnc::kPointer;
    if (!knownCncType(cncType) || !knownProtocol(protocol)) return dnc::kBadParameter;
    *connection = std::make_shared<Connection>(faults_, cncType, protocol);
    return dnc::kOk;
}

dnc::HRESULT ConnectionList::AddConnection(std::shared_ptr<dnc::IJHConnection> connection) {
    if (auto hr = faults_.enter("AddConnection", {}); dnc::failed(hr)) return hr;
    if (connection == nullptr) return dnc::kPointer;
    // Only connections made by NewConnection can be listed.
    auto own = std::dynamic_pointer_cast<Connection>(connection);
    if (!own) return dnc::kInvalidArg;
    return store_->add(std::move(own));
}

dnc::HRESULT ConnectionList::RemoveConnection(std::int32_t index) {
    if (auto hr = faults_.enter("RemoveConnection", {}); dnc::failed(hr)) return hr;
    return store_->remove(index);
}

}  // namespace dncsim
