#include "dnccom/connection.h"

#include "dnccom/constants.h"

namespace dnccom {

ComConnectionProperty::ComConnectionProperty(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComConnectionProperty::put_value(const dnc::Variant& value) {
    const Var given = Var::from(value);
    return call("put_value", {in(given)});
}

ComConnection::ComConnection(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComConnection::put_name(const std::string& name) {
    const Var given = Var::text(name);
    return call("put_name", {in(given)});
}

dnc::HRESULT ComConnection::get_ConnectionProperty(dnc::DNC_CONNECTION_PROPERTY kind,
                                              std::shared_ptr<dnc::IJHConnectionProperty>* property) {
    if (property == nullptr) return E_POINTER;
    const Var which = connectionProperty(kind);
    Var result;
    return assignObject<ComConnectionProperty>(call("get_ConnectionProperty", {in(which), out(result)}), result,
                                               property);
}

ComConnectionList::ComConnectionList(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComConnectionList::get_Item(std::int32_t index, std::shared_ptr<dnc::IJHConnection>* connection) {
    if (connection == nullptr) return E_POINTER;
    const Var at = Var::i4(index);
    Var result;
    return assignObject<ComConnection>(call("get_Item", {in(at), out(result)}), result, connection);
}

dnc::HRESULT ComConnectionList::NewConnection(std::int32_t cncType, std::int32_t protocol,
                                         std::shared_ptr<dnc::IJHConnection>* connection) {
    if (connection == nullptr) return E_POINTER;
    const Var type = Var::i4(cncType);
    const Var over = Var::i4(protocol);
    Var result;
    return assignObject<ComConnection>(call("NewConnection", {in(type), in(over), out(result)}), result, connection);
}

dnc::HRESULT ComConnectionList::AddConnection(std::shared_ptr<dnc::IJHConnection> connection) {
    const Var given = Var::dispatch(componentDispatch(connection.get()));
    return call("AddConnection", {in(given)});
}

dnc::HRESULT ComConnectionList::RemoveConnection(std::int32_t index) {
    const Var at = Var::i4(index);
    return call("RemoveConnection", {in(at)});
}

}  // namespace dnccom
