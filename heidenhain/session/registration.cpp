#include <mutex>

#include "agent/instance_status.h"
#include "agent/local_factory.h"
#include "heidenhain/session/call_lanes.h"
#include "heidenhain/session/dncshim.h"
#include "heidenhain/session/registration.h"

namespace heidenhain {
namespace {

constexpr const char* kClass = "DncShim";

using ConnectWithProtocol = void (DncShim::*)(const std::string&, const std::string&, const std::string&);
using ConnectWithoutProtocol = void (DncShim::*)(const std::string&, const std::string&);
using SetValueNumber = void (DncShim::*)(const std::string&, const nolt::Number&);
using SetValueText = void (DncShim::*)(const std::string&, const std::string&);
using SetAccessMode = void (DncShim::*)(const std::string&, const std::string&);
using SetAccessModes = void (DncShim::*)(const std::string&, const std::string&, const std::string&,
                                         const std::string&);

void enterRows() {
    auto& factory = nolt::LocalFactory::instance();
    factory.registerClass<DncShim, std::string>(kClass);
    // In the order of the remote surface's table.
    factory.registerMember(kClass, "connect", static_cast<ConnectWithProtocol>(&DncShim::connect));
    factory.registerMember(kClass, "connect", static_cast<ConnectWithoutProtocol>(&DncShim::connect));
    factory.registerMember(kClass, "disconnect", &DncShim::disconnect);
    factory.registerMember(kClass, "isConnected", &DncShim::isConnected);
    factory.registerMember(kClass, "getAgentVersion", &DncShim::getAgentVersion);
    factory.registerMember(kClass, "getVersion", &DncShim::getVersion);
    factory.registerMember(kClass, "getState", &DncShim::getState);
    factory.registerMember(kClass, "hasAutomaticEvents", &DncShim::hasAutomaticEvents);
    factory.registerMember(kClass, "hasAutomaticInterface", &DncShim::hasAutomaticInterface);
    factory.registerMember(kClass, "hasDataAccessEvents", &DncShim::hasDataAccessEvents);
    factory.registerMember(kClass, "hasDataAccessInterface", &DncShim::hasDataAccessInterface);
    factory.registerMember(kClass, "hasErrorEvents", &DncShim::hasErrorEvents);
    factory.registerMember(kClass, "hasErrorInterface", &DncShim::hasErrorInterface);
    factory.registerMember(kClass, "hasFileSystemInterface", &DncShim::hasFileSystemInterface);
    factory.registerMember(kClass, "hasItncTableInterface", &DncShim::hasItncTableInterface);
    factory.registerMember(kClass, "hasMachineEvents", &DncShim::hasMachineEvents);
    factory.registerMember(kClass, "hasProcessDataInterface", &DncShim::hasProcessDataInterface);
    factory.registerMember(kClass, "getAvailableInterfaces", &DncShim::getAvailableInterfaces);
    factory.registerMember(kClass, "onStateChanged", &DncShim::onStateChanged);
    factory.registerMember(kClass, "getNcUpTime", &DncShim::getNcUpTime);
    factory.registerMember(kClass, "getMachineUpTime", &DncShim::getMachineUpTime);
    factory.registerMember(kClass, "getSpindleRunningTime", &DncShim::getSpindleRunningTime);
    factory.registerMember(kClass, "getMachineRunningTime", &DncShim::getMachineRunningTime);
    factory.registerMember(kClass, "onConnectLost", &DncShim::onConnectLost);
    factory.registerMember(kClass, "onDisconnectDone", &DncShim::onDisconnectDone);
    factory.registerMember(kClass, "selectProgram", &DncShim::selectProgram);
    factory.registerMember(kClass, "stopProgram", &DncShim::stopProgram);
    factory.registerMember(kClass, "cancelProgram", &DncShim::cancelProgram);
    factory.registerMember(kClass, "setExecutionMode", &DncShim::setExecutionMode);
    factory.registerMember(kClass, "startProgram", &DncShim::startProgram);
    factory.registerMember(kClass, "getProgramStatus", &DncShim::getProgramStatus);
    factory.registerMember(kClass, "onProgramStatusChanged", &DncShim::onProgramStatusChanged);
    factory.registerMember(kClass, "onProgramChanged", &DncShim::onProgramChanged);
    factory.registerMember(kClass, "onToolChanged", &DncShim::onToolChanged);
    factory.registerMember(kClass, "getDncMode", &DncShim::getDncMode);
    factory.registerMember(kClass, "clearControl", &DncShim::clearControl);
    factory.registerMember(kClass, "setOverrideFeed", &DncShim::setOverrideFeed);
    factory.registerMember(kClass, "setOverrideRapid", &DncShim::setOverrideRapid);
    factory.registerMember(kClass, "setOverrideSpeed", &DncShim::setOverrideSpeed);
    factory.registerMember(kClass, "getOverrideInfoFeed", &DncShim::getOverrideInfoFeed);
    factory.registerMember(kClass, "getOverrideInfoSpeed", &DncShim::getOverrideInfoSpeed);
    factory.registerMember(kClass, "getOverrideInfoRapid", &DncShim::getOverrideInfoRapid);
    factory.registerMember(kClass, "setTool", &DncShim::setTool);
    factory.registerMember(kClass, "removeTool", &DncShim::removeTool);
    factory.registerMember(kClass, "removeToolTableRow", &DncShim::removeToolTableRow);
    factory.registerMember(kClass, "clearToolTableRow", &DncShim::clearToolTableRow);
    factory.registerMember(kClass, "getPocketTable", &DncShim::getPocketTable);
    factory.registerMember(kClass, "getToolTableRowByPocketId", &DncShim::getToolTableRowByPocketId);
    factory.registerMember(kClass, "setLinkedToolTableRow", &DncShim::setLinkedToolTableRow);
    factory.registerMember(kClass, "addLinkedToolTableRow", &DncShim::addLinkedToolTableRow);
    factory.registerMember(kClass, "unlinkToolFromPocketTable", &DncShim::unlinkToolFromPocketTable);
    factory.registerMember(kClass, "removeToolTableRowByPocketId", &DncShim::removeToolTableRowByPocketId);
    factory.registerMember(kClass, "linkToolToPocketTable", &DncShim::linkToolToPocketTable);
    factory.registerMember(kClass, "getLinkedToolId", &DncShim::getLinkedToolId);
    factory.registerMember(kClass, "getToolTableRow", &DncShim::getToolTableRow);
    factory.registerMember(kClass, "getToolTableCell", &DncShim::getToolTableCell);
    factory.registerMember(kClass, "setToolTableRow", &DncShim::setToolTableRow);
    factory.registerMember(kClass, "setTableMonitorInterval", &DncShim::setTableMonitorInterval);
    factory.registerMember(kClass, "getTableMonitorInterval", &DncShim::getTableMonitorInterval);
    // Remotely the setter answers nothing; the stored value is read with the getter.
    factory.registerCallable<DncShim, void, int>(
        kClass, "setSdkMutexTimeout", [](DncShim& session, int seconds) { session.setSdkMutexTimeout(seconds); });
    factory.registerMember(kClass, "getSdkMutexTimeout", &DncShim::getSdkMutexTimeout);
    factory.registerMember(kClass, "setToolTableCell", &DncShim::setToolTableCell);
    factory.registerMember(kClass, "getPlcData", &DncShim::getPlcData);
    factory.registerMember(kClass, "getValue", &DncShim::getValue);
    // One row for every JSON number: an int and a float row would share the
    // key, and either would round the other's numbers.
    factory.registerMember(kClass, "setValue", static_cast<SetValueNumber>(&DncShim::setValue));
    factory.registerMember(kClass, "setValue", static_cast<SetValueText>(&DncShim::setValue));
    factory.registerMember(kClass, "transmitFile", &DncShim::transmitFile);
    factory.registerMember(kClass, "receiveFile", &DncShim::receiveFile);
    factory.registerMember(kClass, "readDirectory", &DncShim::readDirectory);
    factory.registerMember(kClass, "deleteDirectory", &DncShim::deleteDirectory);
    factory.registerMember(kClass, "makeDirectory", &DncShim::makeDirectory);
    factory.registerMember(kClass, "deleteFile", &DncShim::deleteFile);
    factory.registerMember(kClass, "copyFile", &DncShim::copyFile);
    factory.registerMember(kClass, "deleteDirectoryRecursively", &DncShim::deleteDirectoryRecursively);
    factory.registerMember(kClass, "setAccessMode", static_cast<SetAccessMode>(&DncShim::setAccessMode));
    factory.registerMember(kClass, "setAccessMode", static_cast<SetAccessModes>(&DncShim::setAccessMode));
    factory.registerMember(kClass, "onToolTableChanged", &DncShim::onToolTableChanged);
    factory.registerMember(kClass, "onPocketTableChanged", &DncShim::onPocketTableChanged);
    factory.registerMember(kClass, "getMachineState", &DncShim::getMachineState);
    factory.registerMember(kClass, "onNcProgramChanged", &DncShim::onNcProgramChanged);
    factory.registerMember(kClass, "onDncModeChanged", &DncShim::onDncModeChanged);
    factory.registerMember(kClass, "onDataChanged", &DncShim::onDataChanged);
    factory.registerMember(kClass, "unsubscribe", &DncShim::unsubscribe);
    // Every session's summary, retained beside its functions.
    nolt::registerInstanceStatus<DncShim>(kClass, "__machineInfo__", [](DncShim& session, nolt::StatusReport report) {
        session.observePresence([report](const MachinePresence& presence) { report(presence); });
    });
    // What needs no SDK call answers beside the session's queue.
    factory.setQuickFunctions(kClass, quickFunctions());
}

}  // namespace

void registerDncShim() {
    static std::once_flag once;
    std::call_once(once, enterRows);
}

}  // namespace heidenhain
