#pragma once
// One session with one CNC, the class that remote clients see: a facade that
// hands each function to the part of the session that does it. Every SDK
// call goes through the guard (sdk_guard.h); what differs between families
// of controls is one object chosen with the controller type
// (controller_family.h: table_interface_family.*, data_tree_family.*). The
// parts share one context and each has a header of its own:
//   session_context.h     name, flags, lifecycle lock, guard, presence,
//                         controller type and family, interfaces, event queue
//   session_connection.h  connect, disconnect, the machine object and the
//                         SDK connection of a host, state queries and events
//   session_interfaces.h  interfaces and sinks after connecting
//   session_presence.h    the machine info that the session publishes
//   session_program.h     program control, overrides, running times
//   program_events.h      program, tool and DNC mode events
//   session_data.h        data values, PLC data, access modes, subscriptions
//   session_files.h       sending and fetching files, the CNC file system
//   session_tables.h      tool and pocket table functions
//   table_monitor.h       the table monitor's thread, cycle and row changes
// This file holds the facade, dncshim.cpp its construction and destruction,
// dncshim_registration.cpp the remote surface. The session is told of events
// by the sinks (machine_sink.cpp, automatic_sink.cpp, data_access_sink.cpp,
// error_sink.cpp).
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/callback.h"
#include "agent/number.h"
#include "agent/serial_queue.h"
#include "heidenhain/cnc/session_data.h"
#include "heidenhain/cnc/session_files.h"
#include "heidenhain/cnc/session_program.h"
#include "heidenhain/events/program_events.h"
#include "heidenhain/session/machine_state.h"
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_context.h"
#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_presence.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/tables/session_tables.h"
#include "heidenhain/tables/table_monitor.h"
#include "heidenhain/tables/table_row.h"
#include "heidenhain/tables/tool.h"

namespace heidenhain {

class DncShim : public nolt::QueuedCalls {
public:
    explicit DncShim(const std::string& name);
    // Never wanted: builds a fresh session of the same name and logs an error.
    DncShim(const DncShim& other);
    DncShim& operator=(const DncShim&) = delete;
    ~DncShim() override;

    // Connection and state (session_connection.h).
    void connect(const std::string& host, const std::string& controllerType, const std::string& protocol) {
        connection_.connect(host, controllerType, protocol);
    }
    void connect(const std::string& host, const std::string& controllerType) {
        connection_.connect(host, controllerType);
    }
    void disconnect() { connection_.disconnect(); }
    bool isConnected() { return connection_.isConnected(); }
    std::string getAgentVersion() { return connection_.getAgentVersion(); }
    std::string getVersion() { return connection_.getVersion(); }
    std::string getState() { return connection_.getState(); }
    void onStateChanged(nolt::Callback<std::string> callback) { connection_.onStateChanged(std::move(callback)); }
    void onConnectLost(nolt::Callback<std::string> callback) { connection_.onConnectLost(std::move(callback)); }
    void onDisconnectDone(nolt::Callback<std::string> callback) { connection_.onDisconnectDone(std::move(callback)); }
    int setSdkMutexTimeout(int seconds) { return connection_.setSdkMutexTimeout(seconds); }
    int getSdkMutexTimeout() { return connection_.getSdkMutexTimeout(); }
    // From the machine sink, on an SDK event thread.
    void onMachineStateChanged(std::int32_t stateEvent) { connection_.onMachineStateChanged(stateEvent); }
    // The CNC went away: not connected until the client disconnects. Safe from any thread.
    void scheduleDisconnect() { context_.scheduleDisconnect(); }

    // Interfaces (session_interfaces.h).
    nlohmann::json getAvailableInterfaces() { return interfaces_.getAvailableInterfaces(); }
    bool hasAutomaticEvents() { return interfaces_.hasAutomaticEvents(); }
    bool hasAutomaticInterface() { return interfaces_.hasAutomaticInterface(); }
    bool hasDataAccessEvents() { return interfaces_.hasDataAccessEvents(); }
    bool hasDataAccessInterface() { return interfaces_.hasDataAccessInterface(); }
    bool hasErrorEvents() { return interfaces_.hasErrorEvents(); }
    bool hasErrorInterface() { return interfaces_.hasErrorInterface(); }
    bool hasFileSystemInterface() { return interfaces_.hasFileSystemInterface(); }
    bool hasItncTableInterface() { return interfaces_.hasItncTableInterface(); }
    bool hasMachineEvents() { return interfaces_.hasMachineEvents(); }
    bool hasProcessDataInterface() { return interfaces_.hasProcessDataInterface(); }

    // The context (session_context.h, session_presence.h).
    const std::string& name() const { return context_.name; }
    // Remote calls of this session run one at a time, in order (serial_queue.h).
    std::shared_ptr<nolt::SerialQueue> callQueue() override { return context_.calls; }
    // The session's guard, for the error sink's reads of an error object.
    SdkGuard& guard() { return context_.guard; }
    // Waits until the client events raised so far have been handed to their
    // callbacks or dropped (event_queue.h); false when the bound passed first.
    // Client callbacks run on the session's own event thread, never on the
    // thread that raised the event.
    bool eventsSettled(std::chrono::milliseconds bound) { return context_.events.settled(bound); }
    // Whoever lists every machine learns each change of the session's
    // summary; the observer replaces an earlier one.
    void observePresence(PresenceObserver observer) { context_.presence.observe(std::move(observer)); }
    // What differs between the families of controls, chosen with the controller type.
    std::shared_ptr<ControllerFamily> family() { return context_.family.get(); }
    // The family that a controller type chooses, over this session; the session keeps its own.
    std::shared_ptr<ControllerFamily> familyFor(const std::string& controllerType) {
        return ControllerFamily::forType(context_, data_, files_, controllerType);
    }

    // Data values and subscriptions (session_data.h).
    void setAccessMode(const std::string& accessMode, const std::string& password) {
        data_.setAccessMode(accessMode, password);
    }
    void setAccessMode(const std::string& plcDataAccessPassword, const std::string& tableDataAccessPassword,
                       const std::string& usrPassword, const std::string& sysPassword) {
        data_.setAccessMode(plcDataAccessPassword, tableDataAccessPassword, usrPassword, sysPassword);
    }
    std::string getValue(const std::string& dataPath) { return data_.getValue(dataPath); }
    std::string getPlcData(const std::string& area, const std::string& address) {
        return data_.getPlcData(area, address);
    }
    void setValue(const std::string& dataPath, const std::string& value) { data_.setValue(dataPath, value); }
    void setValue(const std::string& dataPath, const nolt::Number& value) { data_.setValue(dataPath, value); }
    std::int32_t onDataChanged(const std::string& dataPath, nolt::Callback<nlohmann::json> callback) {
        return data_.onDataChanged(dataPath, std::move(callback));
    }
    void unsubscribe(const std::string& dataPath, std::int32_t handle) { data_.unsubscribe(dataPath, handle); }
    bool dataPathExists(const std::string& dataPath) { return data_.dataPathExists(dataPath); }
    std::vector<std::string> getValues(const std::string& dataPath) { return data_.getValues(dataPath); }
    // From the data access sink, on an SDK event thread.
    bool onData2(std::int32_t subscriptionHandle, const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList) {
        return data_.onData2(subscriptionHandle, dataEntryList);
    }

    // Program control, overrides and running times (session_program.h).
    void selectProgram(std::int32_t channel, const std::string& programName, const std::string& startBlockNumber) {
        program_.selectProgram(channel, programName, startBlockNumber);
    }
    void startProgram(const std::string& programName) { program_.startProgram(programName); }
    void stopProgram(std::int32_t channel, bool onBlockEnd) { program_.stopProgram(channel, onBlockEnd); }
    void cancelProgram(std::int32_t channel) { program_.cancelProgram(channel); }
    void setExecutionMode(const std::string& executionMode) { program_.setExecutionMode(executionMode); }
    std::string getProgramStatus() { return program_.getProgramStatus(); }
    std::string getDncMode() { return program_.getDncMode(); }
    void clearControl() { program_.clearControl(); }
    std::int32_t getOverrideInfoFeed() { return program_.getOverrideInfoFeed(); }
    std::int32_t getOverrideInfoSpeed() { return program_.getOverrideInfoSpeed(); }
    std::int32_t getOverrideInfoRapid() { return program_.getOverrideInfoRapid(); }
    void setOverrideFeed(std::int32_t percentage) { program_.setOverrideFeed(percentage); }
    void setOverrideRapid(std::int32_t percentage) { program_.setOverrideRapid(percentage); }
    void setOverrideSpeed(std::int32_t percentage) { program_.setOverrideSpeed(percentage); }
    std::int32_t getNcUpTime() { return program_.getNcUpTime(); }
    std::int32_t getMachineUpTime() { return program_.getMachineUpTime(); }
    std::int32_t getSpindleRunningTime(std::int32_t axisId) { return program_.getSpindleRunningTime(axisId); }
    std::int32_t getMachineRunningTime() { return program_.getMachineRunningTime(); }
    MachineState getMachineState() { return program_.getMachineState(); }

    // Program, tool and DNC mode events (program_events.h).
    void onProgramStatusChanged(nolt::Callback<std::string> callback) {
        programEvents_.onProgramStatusChanged(std::move(callback));
    }
    void onProgramChanged(nolt::Callback<std::int32_t, double, std::string> callback) {
        programEvents_.onProgramChanged(std::move(callback));
    }
    void onToolChanged(nolt::Callback<std::int32_t, Tool, Tool, double> callback) {
        programEvents_.onToolChanged(std::move(callback));
    }
    void onDncModeChanged(nolt::Callback<std::string> callback) {
        programEvents_.onDncModeChanged(std::move(callback));
    }
    void onNcProgramChanged(nolt::Callback<std::string, std::string, std::string> callback) {
        programEvents_.onNcProgramChanged(std::move(callback));
    }
    // From the automatic sink, on an SDK event thread.
    void programStatusChanged(std::int32_t programEvent) { programEvents_.programStatusChanged(programEvent); }
    void programChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
        programEvents_.programChanged(channel, timeStamp, programPath);
    }
    Tool readTool(const std::shared_ptr<dnc::IJHToolId>& toolId) { return programEvents_.readTool(toolId); }
    void toolChanged(std::int32_t channel, const std::shared_ptr<dnc::IJHToolId>& toolOut,
                     const std::shared_ptr<dnc::IJHToolId>& toolIn, double timeStamp) {
        programEvents_.toolChanged(channel, toolOut, toolIn, timeStamp);
    }
    void dncModeChanged(std::int32_t dncMode) { programEvents_.dncModeChanged(dncMode); }

    // Files (session_files.h).
    void transmitFile(const std::string& content, const std::string& dstPath) { files_.transmitFile(content, dstPath); }
    std::string receiveFile(const std::string& cncFile) { return files_.receiveFile(cncFile); }
    nlohmann::json readDirectory(const std::string& path) { return files_.readDirectory(path); }
    void deleteDirectory(const std::string& directoryPath) { files_.deleteDirectory(directoryPath); }
    void makeDirectory(const std::string& directoryPath) { files_.makeDirectory(directoryPath); }
    void deleteFile(const std::string& filePath) { files_.deleteFile(filePath); }
    void copyFile(const std::string& sourceFilePath, const std::string& destFilePath) {
        files_.copyFile(sourceFilePath, destFilePath);
    }
    nlohmann::json deleteDirectoryRecursively(const std::string& directoryPath) {
        return files_.deleteDirectoryRecursively(directoryPath);
    }

    // Tool and pocket tables (session_tables.h).
    TableRow getToolTableRow(const std::string& toolId) { return tables_.getToolTableRow(toolId); }
    std::string getToolTableCell(const std::string& toolId, const std::string& column) {
        return tables_.getToolTableCell(toolId, column);
    }
    void setToolTableRow(const std::string& toolId, const TableRow& row) { tables_.setToolTableRow(toolId, row); }
    void setToolTableCell(const std::string& toolId, const std::string& column, const std::string& value) {
        tables_.setToolTableCell(toolId, column, value);
    }
    void clearToolTableRow(const std::string& toolId) { tables_.clearToolTableRow(toolId); }
    void removeToolTableRow(const std::string& toolId) { tables_.removeToolTableRow(toolId); }
    void removeTool(const std::string& toolId) { tables_.removeToolTableRow(toolId); }
    std::string setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row) {
        return tables_.setTool(pocketId, toolId, row);
    }
    std::vector<TableRow> getPocketTable() { return tables_.getPocketTable(); }
    std::string getLinkedToolId(const std::string& pocketId) { return tables_.getLinkedToolId(pocketId); }
    void linkToolToPocketTable(const std::string& pocketId, const std::string& toolId) {
        tables_.linkToolToPocketTable(pocketId, toolId);
    }
    void unlinkToolFromPocketTable(const std::string& pocketId) { tables_.unlinkToolFromPocketTable(pocketId); }
    TableRow getToolTableRowByPocketId(const std::string& pocketId) {
        return tables_.getToolTableRowByPocketId(pocketId);
    }
    void setLinkedToolTableRow(const std::string& pocketId, const TableRow& row) {
        tables_.setLinkedToolTableRow(pocketId, row);
    }
    std::string addLinkedToolTableRow(const TableRow& row) { return tables_.addLinkedToolTableRow(row); }
    void removeToolTableRowByPocketId(const std::string& pocketId) { tables_.removeToolTableRowByPocketId(pocketId); }
    std::vector<TableRow> getToolTable() { return tables_.getToolTable(); }
    std::vector<std::string> getToolIds() { return tables_.getToolIds(); }

    // The table monitor (table_monitor.h).
    void setTableMonitorInterval(std::int32_t seconds) { monitor_.setTableMonitorInterval(seconds); }
    std::int32_t getTableMonitorInterval() { return monitor_.getTableMonitorInterval(); }
    void onToolTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
        monitor_.onToolTableChanged(std::move(callback));
    }
    void onPocketTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback) {
        monitor_.onPocketTableChanged(std::move(callback));
    }
    void oneMonitorToolTableCall() { monitor_.oneMonitorToolTableCall(); }
    std::vector<TableRow> notifyIfToolTableChanged(std::vector<TableRow> rows) {
        return monitor_.notifyIfToolTableChanged(std::move(rows));
    }
    std::vector<TableRow> notifyIfPocketTableChanged(std::vector<TableRow> rows) {
        return monitor_.notifyIfPocketTableChanged(std::move(rows));
    }

private:
    // First and so last to go: the event queue and the state every part uses.
    SessionContext context_;
    SessionData data_{context_};
    SessionFiles files_{context_};
    SessionProgram program_{context_};
    ProgramEvents programEvents_{context_};
    SessionTables tables_{context_, data_};
    SessionInterfaces interfaces_{context_, *this};
    // Its thread uses the parts above; it is joined before they go.
    TableMonitor monitor_{context_, programEvents_};
    SessionConnection connection_{context_, interfaces_, monitor_, data_, files_};
};

}  // namespace heidenhain
