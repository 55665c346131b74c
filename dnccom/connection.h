#pragma once
// The component's connection list, connections and connection properties.
#include "dnc/connection.h"
#include "dnccom/object.h"

namespace dnccom {

class ComConnectionProperty final : public dnc::IJHConnectionProperty, public ComObject {
public:
    static constexpr const char* kInterface = "IJHConnectionProperty";
    explicit ComConnectionProperty(ComPtr<IDispatch> object);
    dnc::HRESULT get_value(dnc::Variant* value) override { return get("get_value", value); }
    dnc::HRESULT put_value(const dnc::Variant& value) override;
};

class ComConnection final : public dnc::IJHConnection, public ComObject {
public:
    static constexpr const char* kInterface = "IJHConnection";
    explicit ComConnection(ComPtr<IDispatch> object);
    dnc::HRESULT get_name(std::string* name) override { return get("get_name", name); }
    dnc::HRESULT put_name(const std::string& name) override;
    dnc::HRESULT get_cncType(std::int32_t* cncType) override { return get("get_cncType", cncType); }
    dnc::HRESULT get_protocol(std::int32_t* protocol) override { return get("get_protocol", protocol); }
    dnc::HRESULT get_ConnectionProperty(dnc::DNC_CONNECTION_PROPERTY kind,
                                   std::shared_ptr<dnc::IJHConnectionProperty>* property) override;
};

class ComConnectionList final : public dnc::IJHConnectionList, public ComObject {
public:
    static constexpr const char* kInterface = "IJHConnectionList";
    explicit ComConnectionList(ComPtr<IDispatch> object);
    dnc::HRESULT get_Count(std::int32_t* count) override { return get("get_Count", count); }
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHConnection>* connection) override;
    dnc::HRESULT NewConnection(std::int32_t cncType, std::int32_t protocol,
                          std::shared_ptr<dnc::IJHConnection>* connection) override;
    dnc::HRESULT AddConnection(std::shared_ptr<dnc::IJHConnection> connection) override;
    dnc::HRESULT RemoveConnection(std::int32_t index) override;
};

}  // namespace dnccom
