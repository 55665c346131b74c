#pragma once
// Connection and state of a session: connect and disconnect
// (session_connection.cpp), the SDK connection of a host
// (session_connection_list.cpp), the machine object (session_machine.cpp),
// and the state queries, callbacks and machine state events (session_state.cpp).
#include <atomic>
#include <cstdint>
#include <string>

#include "agent/callback.h"
#include "heidenhain/session/session_context.h"

namespace heidenhain {

class SessionData;
class SessionFiles;
class SessionInterfaces;
class TableMonitor;

class SessionConnection {
public:
    // The family chosen with the controller type works with `data` and `files`.
    SessionConnection(SessionContext& context, SessionInterfaces& interfaces, TableMonitor& monitor, SessionData& data,
                      SessionFiles& files)
        : context_(context), interfaces_(interfaces), monitor_(monitor), data_(data), files_(files) {}
    SessionConnection(const SessionConnection&) = delete;
    SessionConnection& operator=(const SessionConnection&) = delete;

    void connect(const std::string& host, const std::string& controllerType, const std::string& protocol);
    void connect(const std::string& host, const std::string& controllerType);
    void disconnect();
    // The machine object given back; the controller type goes with it.
    void releaseMachine();
    void setControllerType(const std::string& controllerType);

    bool isConnected();
    std::string getAgentVersion();
    std::string getVersion();
    std::string getState();
    int setSdkMutexTimeout(int seconds);
    int getSdkMutexTimeout();

    void onStateChanged(nolt::Callback<std::string> callback);
    void onConnectLost(nolt::Callback<std::string> callback);
    void onDisconnectDone(nolt::Callback<std::string> callback);
    // From the machine sink, on an SDK event thread.
    void onMachineStateChanged(std::int32_t stateEvent);

private:
    // Steps shared by both connect overloads; false when already connected.
    bool beginConnect(const std::string& entry, const std::string& controllerType);
    void connectWith(const std::string& host, const std::string& controllerType, std::int32_t cncType,
                     std::int32_t protocol);
    void refuseWhileAwaitingDisconnection(const std::string& host);
    void connectLocked(const std::string& host, std::int32_t cncType, std::int32_t protocol);
    // disconnect() with the session's lifecycle lock held.
    void disconnectLocked();
    void disconnectMachine();

    void machineInit();
    void ensureSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol);
    bool connectionMatches(const std::shared_ptr<dnc::IJHConnection>& connection, const std::string& host,
                           std::int32_t cncType, std::int32_t protocol);
    void createSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol);

    SessionContext& context_;
    SessionInterfaces& interfaces_;
    TableMonitor& monitor_;
    SessionData& data_;
    SessionFiles& files_;
    LockedValue<nolt::Callback<std::string>> onStateChanged_;
    LockedValue<nolt::Callback<std::string>> onDisconnectDone_;
};

}  // namespace heidenhain
