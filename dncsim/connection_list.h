#pragma once
// The simulated connection list. On the SDK it is persistent configuration
// shared by every machine object of the process, so all list objects are
// views of one process-wide store.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dnc/connection.h"
#include "dncsim/faults.h"

namespace dncsim {

class ConnectionProperty final : public dnc::IJHConnectionProperty {
public:
    explicit ConnectionProperty(Faults& faults) : faults_(faults) {}
    dnc::HRESULT get_value(dnc::Variant* value) override;
    dnc::HRESULT put_value(const dnc::Variant& value) override;
    dnc::Variant value() const;

private:
    Faults& faults_;
    mutable std::mutex mutex_;
    dnc::Variant value_;
};

class Connection final : public dnc::IJHConnection {
public:
    Connection(Faults& faults, std::int32_t cncType, std::int32_t protocol);
    dnc::HRESULT get_name(std::string* name) override;
    dnc::HRESULT put_name(const std::string& name) override;
    dnc::HRESULT get_cncType(std::int32_t* cncType) override;
    dnc::HRESULT get_protocol(std::int32_t* protocol) override;
    dnc::HRESULT get_ConnectionProperty(dnc::DNC_CONNECTION_PROPERTY kind,
                                        std::shared_ptr<dnc::IJHConnectionProperty>* property) override;

    std::string name() const;
    // The host property as text; empty when it holds no text.
    std::string host() const;
    std::int32_t cncType() const { return cncType_; }
    std::int32_t protocol() const { return protocol_; }

private:
    Faults& faults_;
    const std::int32_t cncType_;
    const std::int32_t protocol_;
    const std::shared_ptr<ConnectionProperty> host_;
    mutable std::mutex mutex_;
    std::string name_;
};

class ConnectionStore {
public:
    std::int32_t count() const;
    std::shared_ptr<Connection> at(std::int32_t index) const;
    std::shared_ptr<Connection> find(const std::string& name) const;
    dnc::HRESULT add(std::shared_ptr<Connection> connection);
    dnc::HRESULT remove(std::int32_t index);
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::shared_ptr<Connection>> connections_;
};

class ConnectionList final : public dnc::IJHConnectionList {
public:
    ConnectionList(std::shared_ptr<ConnectionStore> store, Faults& faults);
    dnc::HRESULT get_Count(std::int32_t* count) override;
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHConnection>* connection) override;
    dnc::HRESULT NewConnection(std::int32_t cncType, std::int32_t protocol,
                               std::shared_ptr<dnc::IJHConnection>* connection) override;
    dnc::HRESULT AddConnection(std::shared_ptr<dnc::IJHConnection> connection) override;
    dnc::HRESULT RemoveConnection(std::int32_t index) override;

private:
    const std::shared_ptr<ConnectionStore> store_;
    Faults& faults_;
};

}  // namespace dncsim
