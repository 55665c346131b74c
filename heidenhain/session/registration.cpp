// The remote surface of the CNC session: one row per remote function (per
// overload), naming the part whose member function it is and its lane.
// Queued: every function that enters the SDK, and connect and disconnect,
// which change what the quick ones read; they run one at a time in the
// session's call queue. Quick: what reads or sets only the session's own
// state (the connection and interface flags, versions, callback
// registrations, the monitor's interval), answered at once beside the queue,
// so that a machine hung inside the SDK still answers it.
#include "heidenhain/session/registration.h"

#include <mutex>
#include <set>

#include "agent/instance_status.h"
#include "agent/local_factory.h"
#include "heidenhain/session/dncshim.h"

namespace heidenhain {
namespace {

constexpr const char* kClass = "DncShim";

using ConnectWithProtocol = void (SessionConnection::*)(const std::string&, const std::string&, const std::string&);
using ConnectWithoutProtocol = void (SessionConnection::*)(const std::string&, const std::string&);
using SetValueNumber = void (SessionData::*)(const std::string&, const nolt::Number&);
using SetValueText = void (SessionData::*)(const std::string&, const std::string&);
using SetAccessMode = void (SessionData::*)(const std::string&, const std::string&);
using SetAccessModes = void (SessionData::*)(const std::string&, const std::string&, const std::string&,
                                         const std::string&);

enum Lane { Queued, Quick };

std::set<std::string> quick;

void laneOf(const std::string& name, Lane lane) {
    if (lane == Quick) quick.insert(name);
}

template <typename Part, typename Member>
void row(const std::string& name, Lane lane, Part& (DncShim::*part)(), Member member) {
    nolt::LocalFactory::instance().registerMember(kClass, name, part, member);
    laneOf(name, lane);
}

void enterRows() {
    auto& factory = nolt::LocalFactory::instance();
    factory.registerClass<DncShim, std::string>(kClass);
    // In the order of the remote surface's table.
    row("connect", Queued, &DncShim::connection, static_cast<ConnectWithProtocol>(&SessionConnection::connect));
    row("connect", Queued, &DncShim::connection, static_cast<ConnectWithoutProtocol>(&SessionConnection::connect));
    row("disconnect", Queued, &DncShim::connection, &SessionConnection::disconnect);
    row("isConnected", Quick, &DncShim::connection, &SessionConnection::isConnected);
    row("getAgentVersion", Quick, &DncShim::connection, &SessionConnection::getAgentVersion);
    row("getVersion", Quick, &DncShim::connection, &SessionConnection::getVersion);
    row("getState", Queued, &DncShim::connection, &SessionConnection::getState);
    row("hasAutomaticEvents", Quick, &DncShim::interfaces, &SessionInterfaces::hasAutomaticEvents);
    row("hasAutomaticInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasAutomaticInterface);
    row("hasDataAccessEvents", Quick, &DncShim::interfaces, &SessionInterfaces::hasDataAccessEvents);
    row("hasDataAccessInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasDataAccessInterface);
    row("hasErrorEvents", Quick, &DncShim::interfaces, &SessionInterfaces::hasErrorEvents);
    row("hasErrorInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasErrorInterface);
    row("hasFileSystemInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasFileSystemInterface);
    row("hasItncTableInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasItncTableInterface);
    row("hasMachineEvents", Quick, &DncShim::interfaces, &SessionInterfaces::hasMachineEvents);
    row("hasProcessDataInterface", Quick, &DncShim::interfaces, &SessionInterfaces::hasProcessDataInterface);
    row("getAvailableInterfaces", Quick, &DncShim::interfaces, &SessionInterfaces::getAvailableInterfaces);
    row("onStateChanged", Quick, &DncShim::connection, &SessionConnection::onStateChanged);
    row("getNcUpTime", Queued, &DncShim::program, &SessionProgram::getNcUpTime);
    row("getMachineUpTime", Queued, &DncShim::program, &SessionProgram::getMachineUpTime);
    row("getSpindleRunningTime", Queued, &DncShim::program, &SessionProgram::getSpindleRunningTime);
    row("getMachineRunningTime", Queued, &DncShim::program, &SessionProgram::getMachineRunningTime);
    row("onConnectLost", Quick, &DncShim::connection, &SessionConnection::onConnectLost);
    row("onDisconnectDone", Quick, &DncShim::connection, &SessionConnection::onDisconnectDone);
    row("selectProgram", Queued, &DncShim::program, &SessionProgram::selectProgram);
    row("stopProgram", Queued, &DncShim::program, &SessionProgram::stopProgram);
    row("cancelProgram", Queued, &DncShim::program, &SessionProgram::cancelProgram);
    row("setExecutionMode", Queued, &DncShim::program, &SessionProgram::setExecutionMode);
    row("startProgram", Queued, &DncShim::program, &SessionProgram::startProgram);
    row("getProgramStatus", Queued, &DncShim::program, &SessionProgram::getProgramStatus);
    row("onProgramStatusChanged", Quick, &DncShim::programEvents, &ProgramEvents::onProgramStatusChanged);
    row("onProgramChanged", Quick, &DncShim::programEvents, &ProgramEvents::onProgramChanged);
    row("onToolChanged", Quick, &DncShim::programEvents, &ProgramEvents::onToolChanged);
    row("getDncMode", Queued, &DncShim::program, &SessionProgram::getDncMode);
    row("clearControl", Queued, &DncShim::program, &SessionProgram::clearControl);
    row("setOverrideFeed", Queued, &DncShim::program, &SessionProgram::setOverrideFeed);
    row("setOverrideRapid", Queued, &DncShim::program, &SessionProgram::setOverrideRapid);
    row("setOverrideSpeed", Queued, &DncShim::program, &SessionProgram::setOverrideSpeed);
    row("getOverrideInfoFeed", Queued, &DncShim::program, &SessionProgram::getOverrideInfoFeed);
    row("getOverrideInfoSpeed", Queued, &DncShim::program, &SessionProgram::getOverrideInfoSpeed);
    row("getOverrideInfoRapid", Queued, &DncShim::program, &SessionProgram::getOverrideInfoRapid);
    row("setTool", Queued, &DncShim::tables, &SessionTables::setTool);
    row("removeTool", Queued, &DncShim::tables, &SessionTables::removeToolTableRow);
    row("removeToolTableRow", Queued, &DncShim::tables, &SessionTables::removeToolTableRow);
    row("clearToolTableRow", Queued, &DncShim::tables, &SessionTables::clearToolTableRow);
    row("getPocketTable", Queued, &DncShim::tables, &SessionTables::getPocketTable);
    row("getToolTableRowByPocketId", Queued, &DncShim::tables, &SessionTables::getToolTableRowByPocketId);
    row("setLinkedToolTableRow", Queued, &DncShim::tables, &SessionTables::setLinkedToolTableRow);
    row("addLinkedToolTableRow", Queued, &DncShim::tables, &SessionTables::addLinkedToolTableRow);
    row("unlinkToolFromPocketTable", Queued, &DncShim::tables, &SessionTables::unlinkToolFromPocketTable);
    row("removeToolTableRowByPocketId", Queued, &DncShim::tables, &SessionTables::removeToolTableRowByPocketId);
    row("linkToolToPocketTable", Queued, &DncShim::tables, &SessionTables::linkToolToPocketTable);
    row("getLinkedToolId", Queued, &DncShim::tables, &SessionTables::getLinkedToolId);
    row("getToolTableRow", Queued, &DncShim::tables, &SessionTables::getToolTableRow);
    row("getToolTableCell", Queued, &DncShim::tables, &SessionTables::getToolTableCell);
    row("setToolTableRow", Queued, &DncShim::tables, &SessionTables::setToolTableRow);
    row("setTableMonitorInterval", Quick, &DncShim::monitor, &TableMonitor::setTableMonitorInterval);
    row("getTableMonitorInterval", Quick, &DncShim::monitor, &TableMonitor::getTableMonitorInterval);
    // Remotely the setter answers nothing; the stored value is read with the getter.
    factory.registerCallable<DncShim, void, int>(kClass, "setSdkMutexTimeout", [](DncShim& session, int seconds) {
        session.connection().setSdkMutexTimeout(seconds);
    });
    laneOf("setSdkMutexTimeout", Quick);
    row("getSdkMutexTimeout", Quick, &DncShim::connection, &SessionConnection::getSdkMutexTimeout);
    row("setToolTableCell", Queued, &DncShim::tables, &SessionTables::setToolTableCell);
    row("getPlcData", Queued, &DncShim::data, &SessionData::getPlcData);
    row("getValue", Queued, &DncShim::data, &SessionData::getValue);
    // One row for every JSON number: an int and a float row would share the
    // key, and either would round the other's numbers.
    row("setValue", Queued, &DncShim::data, static_cast<SetValueNumber>(&SessionData::setValue));
    row("setValue", Queued, &DncShim::data, static_cast<SetValueText>(&SessionData::setValue));
    row("transmitFile", Queued, &DncShim::files, &SessionFiles::transmitFile);
    row("receiveFile", Queued, &DncShim::files, &SessionFiles::receiveFile);
    row("readDirectory", Queued, &DncShim::files, &SessionFiles::readDirectory);
    row("deleteDirectory", Queued, &DncShim::files, &SessionFiles::deleteDirectory);
    row("makeDirectory", Queued, &DncShim::files, &SessionFiles::makeDirectory);
    row("deleteFile", Queued, &DncShim::files, &SessionFiles::deleteFile);
    row("copyFile", Queued, &DncShim::files, &SessionFiles::copyFile);
    row("deleteDirectoryRecursively", Queued, &DncShim::files, &SessionFiles::deleteDirectoryRecursively);
    row("setAccessMode", Queued, &DncShim::data, static_cast<SetAccessMode>(&SessionData::setAccessMode));
    row("setAccessMode", Queued, &DncShim::data, static_cast<SetAccessModes>(&SessionData::setAccessMode));
    row("onToolTableChanged", Quick, &DncShim::monitor, &TableMonitor::onToolTableChanged);
    row("onPocketTableChanged", Quick, &DncShim::monitor, &TableMonitor::onPocketTableChanged);
    row("getMachineState", Queued, &DncShim::program, &SessionProgram::getMachineState);
    row("onNcProgramChanged", Quick, &DncShim::programEvents, &ProgramEvents::onNcProgramChanged);
    row("onDncModeChanged", Quick, &DncShim::programEvents, &ProgramEvents::onDncModeChanged);
    row("onDataChanged", Queued, &DncShim::data, &SessionData::onDataChanged);
    row("unsubscribe", Queued, &DncShim::data, &SessionData::unsubscribe);
    // Every session's summary, retained beside its functions.
    nolt::registerInstanceStatus<DncShim>(kClass, "__machineInfo__", [](DncShim& session, nolt::StatusReport report) {
        session.context().presence.observe([report](const MachinePresence& presence) { report(presence); });
    });
    factory.setQuickFunctions(kClass, quick);
}

}  // namespace

void registerDncShim() {
    static std::once_flag once;
    std::call_once(once, enterRows);
}

}  // namespace heidenhain
