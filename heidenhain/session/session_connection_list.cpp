// The SDK's named connection for a host: reused when its controller type,
// protocol and host property match, replaced otherwise.
#include "dnc/variant.h"
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_log.h"

namespace heidenhain {

bool SessionConnection::connectionMatches(const std::shared_ptr<dnc::IJHConnection>& connection,
                                          const std::string& host, std::int32_t cncType, std::int32_t protocol) {
    std::int32_t connCncType = 0;
    std::int32_t connProtocol = 0;
    context_.guard.run(offlineCall("connection->get_cncType(&connCncType)", SDK_CALL_SITE),
                       [&] { return connection->get_cncType(&connCncType); });
    context_.guard.run(offlineCall("connection->get_protocol(&connProtocol)", SDK_CALL_SITE),
                       [&] { return connection->get_protocol(&connProtocol); });
    if (connCncType != cncType || connProtocol != protocol) return false;
    std::shared_ptr<dnc::IJHConnectionProperty> connectionProperty;
    context_.guard.run(
        offlineCall("connection->get_ConnectionProperty( DNC_CP_HOST, &connectionProperty)", SDK_CALL_SITE),
        [&] { return connection->get_ConnectionProperty(dnc::DNC_CP_HOST, &connectionProperty); });
    dnc::Variant var;
    context_.guard.run(offlineCall("connectionProperty->get_value(&var)", SDK_CALL_SITE),
                       [&] { return connectionProperty->get_value(&var); });
    return var.vt() == dnc::VT_BSTR && var.text() == host;
}

void SessionConnection::ensureSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol) {
    auto machine = context_.machine.get();
    std::shared_ptr<dnc::IJHConnectionList> connectionList;
    context_.guard.run(offlineCall("_machine->ListConnections(&connectionList)", SDK_CALL_SITE),
                       [&] { return machine->ListConnections(&connectionList); });
    std::int32_t count = 0;
    context_.guard.run(offlineCall("connectionList->get_Count(&count)", SDK_CALL_SITE),
                       [&] { return connectionList->get_Count(&count); });
    // The first connection of that name, which is replaced unless one matches.
    std::int32_t sameName = -1;
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHConnection> connection;
        context_.guard.run(offlineCall("connectionList->get_Item(i, &connection)", SDK_CALL_SITE),
                           [&] { return connectionList->get_Item(i, &connection); });
        std::string name;
        context_.guard.run(offlineCall("connection->get_name(&name)", SDK_CALL_SITE),
                           [&] { return connection->get_name(&name); });
        if (name != host) continue;
        if (sameName < 0) sameName = i;
        if (connectionMatches(connection, host, cncType, protocol)) return;
    }
    if (sameName >= 0) {
        logInformation("removeConnection", context_.name + " (" + host + ")");
        context_.guard.run(offlineCall("connectionList->RemoveConnection(i)", SDK_CALL_SITE),
                           [&] { return connectionList->RemoveConnection(sameName); });
    }
    createSdkConnection(host, cncType, protocol);
}

void SessionConnection::createSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol) {
    auto machine = context_.machine.get();
    std::shared_ptr<dnc::IJHConnectionList> connectionList;
    context_.guard.run(offlineCall("_machine->ListConnections(&connectionList)", SDK_CALL_SITE),
                       [&] { return machine->ListConnections(&connectionList); });
    std::shared_ptr<dnc::IJHConnection> connection;
    context_.guard.run(offlineCall("connectionList->NewConnection(cncType, protocol, &connection)", SDK_CALL_SITE),
                       [&] { return connectionList->NewConnection(cncType, protocol, &connection); });
    context_.guard.run(offlineCall("connection->put_name(toBSTR(connectionName))", SDK_CALL_SITE),
                       [&] { return connection->put_name(host); });
    std::shared_ptr<dnc::IJHConnectionProperty> connectionProperty;
    context_.guard.run(
        offlineCall("connection->get_ConnectionProperty(DNC_CP_HOST, &connectionProperty)", SDK_CALL_SITE),
        [&] { return connection->get_ConnectionProperty(dnc::DNC_CP_HOST, &connectionProperty); });
    const dnc::Variant var(host);
    context_.guard.run(offlineCall("connectionProperty->put_value(var)", SDK_CALL_SITE),
                       [&] { return connectionProperty->put_value(var); });
    context_.guard.run(offlineCall("connectionList->AddConnection(connection)", SDK_CALL_SITE),
                       [&] { return connectionList->AddConnection(connection); });
}

}  // namespace heidenhain
