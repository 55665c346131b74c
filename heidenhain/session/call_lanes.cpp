#include "heidenhain/session/call_lanes.h"

namespace heidenhain {

const std::map<std::string, CallLane>& callLanes() {
    using enum CallLane;
    static const std::map<std::string, CallLane> lanes{
        // The connection: what changes the flags is queued, reading them is not.
        {"connect", Queued}, {"disconnect", Queued}, {"isConnected", Quick}, {"getAgentVersion", Quick},
        {"getVersion", Quick}, {"getState", Queued}, {"getMachineState", Queued},
        {"setSdkMutexTimeout", Quick}, {"getSdkMutexTimeout", Quick},
        // Interfaces found at connect.
        {"hasAutomaticEvents", Quick}, {"hasAutomaticInterface", Quick}, {"hasDataAccessEvents", Quick},
        {"hasDataAccessInterface", Quick}, {"hasErrorEvents", Quick}, {"hasErrorInterface", Quick},
        {"hasFileSystemInterface", Quick}, {"hasItncTableInterface", Quick}, {"hasMachineEvents", Quick},
        {"hasProcessDataInterface", Quick}, {"getAvailableInterfaces", Quick},
        // Callback registrations; a data subscription enters the SDK.
        {"onStateChanged", Quick}, {"onConnectLost", Quick}, {"onDisconnectDone", Quick},
        {"onProgramStatusChanged", Quick}, {"onProgramChanged", Quick}, {"onToolChanged", Quick},
        {"onDncModeChanged", Quick}, {"onNcProgramChanged", Quick}, {"onToolTableChanged", Quick},
        {"onPocketTableChanged", Quick}, {"onDataChanged", Queued}, {"unsubscribe", Queued},
        // Process data and program control.
        {"getNcUpTime", Queued}, {"getMachineUpTime", Queued}, {"getSpindleRunningTime", Queued},
        {"getMachineRunningTime", Queued}, {"selectProgram", Queued}, {"stopProgram", Queued},
        {"cancelProgram", Queued}, {"setExecutionMode", Queued}, {"startProgram", Queued},
        {"getProgramStatus", Queued}, {"getDncMode", Queued}, {"clearControl", Queued},
        {"setOverrideFeed", Queued}, {"setOverrideRapid", Queued}, {"setOverrideSpeed", Queued},
        {"getOverrideInfoFeed", Queued}, {"getOverrideInfoSpeed", Queued}, {"getOverrideInfoRapid", Queued},
        // Tables; the monitor's interval is its own.
        {"setTool", Queued}, {"removeTool", Queued}, {"removeToolTableRow", Queued}, {"clearToolTableRow", Queued},
        {"getPocketTable", Queued}, {"getToolTableRowByPocketId", Queued}, {"setLinkedToolTableRow", Queued},
        {"addLinkedToolTableRow", Queued}, {"unlinkToolFromPocketTable", Queued},
        {"removeToolTableRowByPocketId", Queued}, {"linkToolToPocketTable", Queued}, {"getLinkedToolId", Queued},
        {"getToolTableRow", Queued}, {"getToolTableCell", Queued}, {"setToolTableRow", Queued},
        {"setToolTableCell", Queued}, {"setTableMonitorInterval", Quick}, {"getTableMonitorInterval", Quick},
        // Data values and files.
        {"getPlcData", Queued}, {"getValue", Queued}, {"setValue", Queued}, {"setAccessMode", Queued},
        {"transmitFile", Queued}, {"receiveFile", Queued}, {"readDirectory", Queued}, {"deleteDirectory", Queued},
        {"makeDirectory", Queued}, {"deleteFile", Queued}, {"copyFile", Queued},
        {"deleteDirectoryRecursively", Queued},
    };
    return lanes;
}

std::set<std::string> quickFunctions() {
    std::set<std::string> names;
    for (const auto& [name, lane] : callLanes())
        if (lane == CallLane::Quick) names.insert(name);
    return names;
}

}  // namespace heidenhain
