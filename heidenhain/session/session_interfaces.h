#pragma once
// The SDK interfaces and event sinks that a session takes after connecting
// and gives back at disconnect. Each is optional: a missing one is a
// warning, and the functions that need it fail with the guard's interface
// message. The sinks are attached and detached in session_sinks.cpp.
#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "heidenhain/session/session_context.h"

namespace heidenhain {

class ProgramEvents;
class SessionConnection;
class SessionData;
class CMachineSink;
class CAutomaticSink;
class CErrorSink;
class CDataAccessSink;

class SessionInterfaces {
public:
    // The sinks hand the SDK's events to `session`.
    // The parts that the sinks feed.
    struct SinkTargets {
        SessionConnection& connection;
        SessionData& data;
        ProgramEvents& programEvents;
    };
    SessionInterfaces(SessionContext& context, SinkTargets targets) : context_(context), targets_(targets) {}
    SessionInterfaces(const SessionInterfaces&) = delete;
    SessionInterfaces& operator=(const SessionInterfaces&) = delete;

    void initializeInterfaces();
    void releaseInterfaces();
    // The session goes away: the SDK may still hold the sinks; they must not reach it.
    void detachSinks();
    // The table interface of the older controls, obtained at connect.
    void obtainTableInterface();

    nlohmann::json getAvailableInterfaces();
    bool hasAutomaticEvents();
    bool hasAutomaticInterface();
    bool hasDataAccessEvents();
    bool hasDataAccessInterface();
    bool hasErrorEvents();
    bool hasErrorInterface();
    bool hasFileSystemInterface();
    bool hasItncTableInterface();
    bool hasMachineEvents();
    bool hasProcessDataInterface();

private:
    void attachMachineSink();
    void attachAutomaticSink();
    void attachErrorSink();
    void attachDataAccessSink();
    // Makes a sink, replaces (and detaches) the one before and advises the
    // interface of it; a failure is a warning, and the events stay away.
    // A new sink that feeds `target`, advised on the interface.
    template <class Sink, class Interface, class Target>
    void attachSink(LockedValue<std::shared_ptr<Sink>>& slot, const LockedValue<std::shared_ptr<Interface>>& source,
                    Target& target, std::atomic<std::uint32_t>& cookie, const char* advise, const char* warning);
    std::shared_ptr<dnc::Object> getInterfaceObject(dnc::DNC_INTERFACE_OBJECT kind, const std::string& kindName);
    // Null after the process exit that a test stood in for.
    std::shared_ptr<dnc::Object> getDataAccessObject();
    // Fills an empty slot from the object that getObject gives; true when
    // the interface was obtained by this call.
    template <class Interface, class GetObject>
    bool obtainInterface(LockedValue<std::shared_ptr<Interface>>& slot, const std::string& member,
                         const std::string& warning, GetObject&& getObject);
    void createTmpDirectory();
    void warnInterfaceSetup(const std::string& text, const std::exception& e);
    std::string interfaceFlagsText();
    template <class Interface>
    void detachSink(const std::shared_ptr<Interface>& source, std::atomic<std::uint32_t>& cookie, const char* event);

    SessionContext& context_;
    SinkTargets targets_;
    LockedValue<std::shared_ptr<CMachineSink>> machineSink_;
    LockedValue<std::shared_ptr<CAutomaticSink>> automaticSink_;
    LockedValue<std::shared_ptr<CErrorSink>> errorSink_;
    LockedValue<std::shared_ptr<CDataAccessSink>> dataAccessSink_;
    std::atomic<std::uint32_t> machineEventCookie_{0};
    std::atomic<std::uint32_t> automaticEventCookie_{0};
    std::atomic<std::uint32_t> dataAccessEventCookie_{0};
    std::atomic<std::uint32_t> errorEventCookie_{0};
};

}  // namespace heidenhain
