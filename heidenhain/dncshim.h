#pragma once
// One session with one CNC, the class that remote clients see. Every SDK
// call goes through the guard (sdk_guard.h); what differs between families
// of controls is one object chosen with the controller type
// (controller_family.h: table_interface_family.*, data_tree_family.*). The
// member functions are defined in one file per concern:
//   dncshim.cpp                  construction, copy, destruction
//   dncshim_connection.cpp       connect, disconnect
//   dncshim_connection_list.cpp  the SDK connection of a host
//   dncshim_machine.cpp          machine object creation and release
//   dncshim_interfaces.cpp       interfaces and sinks after connecting
//   dncshim_state.cpp            queries, callbacks, machine state events
//   dncshim_presence.cpp         the machine info that the session publishes
//   dncshim_program.cpp          program control and overrides
//   dncshim_program_events.cpp   program, tool and DNC mode events
//   dncshim_process_data.cpp     running times and the machine state summary
//   dncshim_data_access.cpp      data values, PLC data, access modes
//   dncshim_subscriptions.cpp    data subscriptions and their events
//   dncshim_file_transfer.cpp    sending and fetching files
//   dncshim_file_system.cpp      directories and file operations on the CNC
//   dncshim_tables.cpp           tool and pocket table functions
//   dncshim_table_monitor.cpp    the table monitor's thread and cycle
//   dncshim_table_changes.cpp    rows compared between monitor cycles
//   dncshim_registration.cpp     the remote surface
// and it is told of events by the sinks (machine_sink.cpp, automatic_sink.cpp,
// data_access_sink.cpp, error_sink.cpp).
#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "agent/callback.h"
#include "agent/number.h"
#include "dnc/automatic.h"
#include "dnc/data_access.h"
#include "dnc/error.h"
#include "dnc/file_system.h"
#include "dnc/machine.h"
#include "dnc/process_data.h"
#include "dnc/table.h"
#include "heidenhain/cnc_files.h"
#include "heidenhain/controller_family.h"
#include "heidenhain/event_queue.h"
#include "heidenhain/locked_value.h"
#include "heidenhain/machine_state.h"
#include "heidenhain/interface_check.h"
#include "heidenhain/sdk_guard.h"
#include "heidenhain/monitor_thread.h"
#include "heidenhain/subscription_table.h"
#include "heidenhain/session_flags.h"
#include "heidenhain/session_presence.h"
#include "heidenhain/table_cache.h"
#include "heidenhain/table_row.h"
#include "heidenhain/table_text.h"
#include "heidenhain/tool.h"

namespace heidenhain {

class CMachineSink;
class CAutomaticSink;
class CErrorSink;
class CDataAccessSink;

class DncShim {
public:
    explicit DncShim(const std::string& name);
    // Never wanted: builds a fresh session of the same name and logs an error.
    DncShim(const DncShim& other);
    DncShim& operator=(const DncShim&) = delete;
    ~DncShim();

    void connect(const std::string& host, const std::string& controllerType, const std::string& protocol);
    void connect(const std::string& host, const std::string& controllerType);
    void disconnect();

    bool isConnected();
    std::string getAgentVersion();
    std::string getVersion();
    std::string getState();
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

    void onStateChanged(nolt::Callback<std::string> callback);
    void onConnectLost(nolt::Callback<std::string> callback);
    void onDisconnectDone(nolt::Callback<std::string> callback);

    int setSdkMutexTimeout(int seconds);
    int getSdkMutexTimeout();

    // Unknown names fail with "invalid unordered_map<K, T> key".
    void setAccessMode(const std::string& accessMode, const std::string& password);
    // Empty passwords are skipped.
    void setAccessMode(const std::string& plcDataAccessPassword, const std::string& tableDataAccessPassword,
                       const std::string& usrPassword, const std::string& sysPassword);
    std::string getValue(const std::string& dataPath);
    // The PLC memory value \PLC\memory\<area>\<address>.
    std::string getPlcData(const std::string& area, const std::string& address);
    void setValue(const std::string& dataPath, const std::string& value);
    // Integers stay integers and fractions doubles (data_number.h).
    void setValue(const std::string& dataPath, const nolt::Number& value);
    // Returns the SDK's subscription handle; changes arrive at the callback.
    std::int32_t onDataChanged(const std::string& dataPath, nolt::Callback<nlohmann::json> callback);
    void unsubscribe(const std::string& dataPath, std::int32_t handle);
    bool dataPathExists(const std::string& dataPath);
    // The names of the entry's children.
    std::vector<std::string> getValues(const std::string& dataPath);

    // From the data access sink, on an SDK event thread: false when no
    // callback is stored under the handle.
    bool onData2(std::int32_t subscriptionHandle, const std::shared_ptr<dnc::IJHDataEntryList>& dataEntryList);

    void selectProgram(std::int32_t channel, const std::string& programName, const std::string& startBlockNumber);
    void startProgram(const std::string& programName);
    void stopProgram(std::int32_t channel, bool onBlockEnd);
    void cancelProgram(std::int32_t channel);
    // A name outside the execution mode table is refused; nothing is sent.
    void setExecutionMode(const std::string& executionMode);
    std::string getProgramStatus();
    std::string getDncMode();
    void clearControl();
    std::int32_t getOverrideInfoFeed();
    std::int32_t getOverrideInfoSpeed();
    std::int32_t getOverrideInfoRapid();
    void setOverrideFeed(std::int32_t percentage);
    void setOverrideRapid(std::int32_t percentage);
    void setOverrideSpeed(std::int32_t percentage);

    // Minutes.
    std::int32_t getNcUpTime();
    std::int32_t getMachineUpTime();
    std::int32_t getSpindleRunningTime(std::int32_t axisId);
    std::int32_t getMachineRunningTime();
    // Needs no connection: a disconnected session is "off" with zero times.
    MachineState getMachineState();

    // The CNC file system. File contents travel as Base64 text; CNC paths
    // without a drive are taken below TNC:\.
    void transmitFile(const std::string& content, const std::string& dstPath);
    std::string receiveFile(const std::string& cncFile);
    // {"path": listed path, "entries": [names]}
    nlohmann::json readDirectory(const std::string& path);
    void deleteDirectory(const std::string& directoryPath);
    void makeDirectory(const std::string& directoryPath);
    void deleteFile(const std::string& filePath);
    void copyFile(const std::string& sourceFilePath, const std::string& destFilePath);
    // {"path": deleted path, "numDirectoriesDeleted": n, "numFilesDeleted": n}
    nlohmann::json deleteDirectoryRecursively(const std::string& directoryPath);

    // Program, tool and DNC mode events; each slot keeps the last callback given.
    void onProgramStatusChanged(nolt::Callback<std::string> callback);
    void onProgramChanged(nolt::Callback<std::int32_t, double, std::string> callback);
    void onToolChanged(nolt::Callback<std::int32_t, Tool, Tool, double> callback);
    void onDncModeChanged(nolt::Callback<std::string> callback);
    // Event name, program directory, program name.
    void onNcProgramChanged(nolt::Callback<std::string, std::string, std::string> callback);

    // From the automatic sink, on an SDK event thread; they throw what the
    // refresh throws. Their callbacks run later, on the session's event thread.
    void programStatusChanged(std::int32_t programEvent);
    void programChanged(std::int32_t channel, double timeStamp, const std::string& programPath);
    // The three numbers of a tool-id object of a tool change event, as texts.
    Tool readTool(const std::shared_ptr<dnc::IJHToolId>& toolId);
    // The session's guard, for the error sink's reads of an error object.
    SdkGuard& guard() { return guard_; }
    // Dropped on the table-interface controls, whose table monitor reports the change.
    void toolChanged(std::int32_t channel, const std::shared_ptr<dnc::IJHToolId>& toolOut,
                     const std::shared_ptr<dnc::IJHToolId>& toolIn, double timeStamp);
    void dncModeChanged(std::int32_t dncMode);

    // From the machine sink, on an SDK event thread.
    void onMachineStateChanged(std::int32_t stateEvent);
    // The CNC went away: the session stops counting as connected until the
    // client disconnects. Safe from any thread.
    void scheduleDisconnect();
    // Waits until the client events raised so far have been handed to their
    // callbacks or dropped (event_queue.h); false when the bound passed first.
    // Client callbacks run on the session's own event thread, never on the
    // thread that raised the event.
    bool eventsSettled(std::chrono::milliseconds bound) { return events_.settled(bound); }

    const std::string& name() const { return name_; }

    // Whoever lists every machine learns each change of the session's
    // summary (dncshim_presence.cpp); the observer replaces an earlier one.
    void observePresence(PresenceObserver observer);

    // The tool table: rows travel as column name to cell text. The older
    // controls go through the table interface, the others through the data tree.
    TableRow getToolTableRow(const std::string& toolId);
    std::string getToolTableCell(const std::string& toolId, const std::string& column);
    // The row's key column "T" is never written.
    void setToolTableRow(const std::string& toolId, const TableRow& row);
    void setToolTableCell(const std::string& toolId, const std::string& column, const std::string& value);
    // Tool ids that are no number are refused by every writing function, and
    // the key column T is never written through a row or a cell.
    // Clearing empties the row (the iTNC deletes it) and frees its pockets.
    void clearToolTableRow(const std::string& toolId);
    // A tool id without an index removes all its indexed rows.
    void removeToolTableRow(const std::string& toolId);
    void removeTool(const std::string& toolId);
    // Writes the row under toolId, or under a free tool id when toolId is
    // empty, and links it to the pocket unless pocketId is empty; answers the
    // tool id used.
    std::string setTool(const std::string& pocketId, const std::string& toolId, const TableRow& row);

    // The pocket table and the tools in its pockets. Rows hold P, T and
    // TNAME (the TNC 426: every column of its pocket file).
    std::vector<TableRow> getPocketTable();
    // Empty when the pocket holds no tool. A pocket that the table lacks is
    // refused by every pocket function; ids padded with blanks are trimmed.
    std::string getLinkedToolId(const std::string& pocketId);
    // Refuses a tool that the tool table lacks or that another pocket holds.
    void linkToolToPocketTable(const std::string& pocketId, const std::string& toolId);
    // An empty pocket id does nothing.
    void unlinkToolFromPocketTable(const std::string& pocketId);
    // The tool row with "P" added; only "P" for a free pocket.
    TableRow getToolTableRowByPocketId(const std::string& pocketId);
    // Writes the row under a free tool id and links that to the pocket.
    void setLinkedToolTableRow(const std::string& pocketId, const TableRow& row);
    // As above in a free pocket; answers the pocket, empty when none is free.
    std::string addLinkedToolTableRow(const TableRow& row);
    void removeToolTableRowByPocketId(const std::string& pocketId);

    // The table monitor: rows that appear, change or disappear in the tool
    // and pocket tables are reported to the registered callbacks.
    void setTableMonitorInterval(std::int32_t seconds);
    std::int32_t getTableMonitorInterval();
    void onToolTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback);
    void onPocketTableChanged(nolt::Callback<std::string, TableRow, TableRow> callback);
    // One monitor cycle, and its comparisons of fresh rows with the previous
    // cycle's. They hand back the rows they replaced, to be freed by the
    // caller once the snapshot's lock is released.
    void oneMonitorToolTableCall();
    std::vector<TableRow> notifyIfToolTableChanged(std::vector<TableRow> rows);
    std::vector<TableRow> notifyIfPocketTableChanged(std::vector<TableRow> rows);
    // Every tool row: uncached on the table interface, by columns on DataAccess.
    std::vector<TableRow> getToolTable();
    // What differs between the families of controls, chosen with the controller type.
    std::shared_ptr<ControllerFamily> family();
    std::vector<std::string> getToolIds();

private:
    // Steps shared by both connect overloads; false when already connected.
    bool beginConnect(const std::string& entry, const std::string& controllerType);
    void connectWith(const std::string& host, const std::string& controllerType, std::int32_t cncType,
                     std::int32_t protocol);
    void refuseWhileAwaitingDisconnection(const std::string& host);
    void connectLocked(const std::string& host, std::int32_t cncType, std::int32_t protocol);
    // disconnect() with the session's lifecycle lock held.
    void disconnectLocked();

    void machineInit();
    void releaseMachine();

    void ensureSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol);
    bool connectionMatches(const std::shared_ptr<dnc::IJHConnection>& connection, const std::string& host,
                           std::int32_t cncType, std::int32_t protocol);
    void createSdkConnection(const std::string& host, std::int32_t cncType, std::int32_t protocol);

    void initializeInterfaces();
    void attachMachineSink();
    void attachAutomaticSink();
    void attachErrorSink();
    // Asks the CNC for the selected program and stores where it lies; false
    // when the session is not connected or the call failed (then logged).
    bool refreshSelectedProgram();
    void storeSelectedProgram(const std::string& path);
    void attachDataAccessSink();
    InterfaceCheck dataAccessCheck(const std::shared_ptr<dnc::IJHDataAccess>& access, const char* function) const;
    void requireDataPath(const std::string& dataPath, const std::string& missing);
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry(const std::string& dataPath);
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry2(const std::string& dataPath, bool readValues);
    // GetDataEntry2 without reading values, under the caller's call name.
    std::shared_ptr<dnc::IJHDataEntry> getDataEntry2As(std::string_view call, const std::string& dataPath);
    // The entry's data property of the older controls (entry, property list, property).
    std::shared_ptr<dnc::IJHDataEntryProperty> dataPropertyOf(dnc::IJHDataEntry& dataEntry);
    dnc::HRESULT probeDataEntry(const std::string& dataPath, bool version2);
    void setValueWith(const std::string& dataPath, const dnc::Variant& newerValue,
                      const std::function<dnc::Variant(const dnc::Variant&)>& olderValue);
    // Where the data tree has no entry: the SDK answers one of these.
    static bool meansNoEntry(dnc::HRESULT hr);
    // The names of the entries of a child list, read under the family's call names.
    std::vector<std::string> childNames(dnc::IJHDataEntryList& list, const char* countCall, const char* itemCall);
    // The table interface of the older controls, obtained at connect.
    void obtainTableInterface();
    nlohmann::json dataEntryListToJson(const std::shared_ptr<dnc::IJHDataEntryList>& list);
    void addDataEntry(nlohmann::json& target, const std::shared_ptr<dnc::IJHDataEntry>& entry);
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
    std::int32_t readMachineState();

    void transmitFileBinary(const std::string& bytes, const std::string& dstPath);
    std::string receiveFileBinary(const std::string& cncFile);
    DirectoryListing readDirectoryStdVec(const std::string& path);
    void deleteDirectoryRecursivelyInternal(DeletionCounts& counts, const std::string& directoryPath);
    // The file system interface, after the connection and interface check
    // for `function` at `site`.
    std::shared_ptr<dnc::IJHFileSystem> checkedFileSystem(const char* function, CallSite site);
    // The directories of a destination, made where missing, for sending.
    void makeMissingDirectories(dnc::IJHFileSystem& fileSystem, const std::string& destination);
    // Lists a directory and hands each entry with its name to `visit`.
    template <class Visit>
    void walkDirectory(dnc::IJHFileSystem& fileSystem, const std::string& path, const char* readCall, Visit&& visit);

    // The guarded call of a function on the automatic interface; `before`
    // runs once the checks passed (the function's log line).
    template <class Op, class Before>
    void automaticCall(const char* function, const char* call, CallSite site, Op&& op, Before&& before);
    template <class Op>
    void automaticCall(const char* function, const char* call, CallSite site, Op&& op);
    // GetOverrideInfo, answering the one value that `pick` chooses.
    std::int32_t overrideInfo(const char* function, int pick);
    // A process data time in minutes, from the SDK's hours and minutes.
    template <class Op>
    std::int32_t processDataMinutes(const char* function, const char* call, CallSite site, Op&& op);

    template <class Interface>
    void detachSink(const std::shared_ptr<Interface>& source, std::atomic<std::uint32_t>& cookie, const char* event);
    void releaseInterfaces();
    void disconnectMachine();

    // The table monitor's thread: one per session, started after a connect and
    // by the table event registrations, joined by disconnect.
    void startMonitorThread();
    void stopMonitorThread();
    void monitorToolTable();
    // The program status and selected program polled on the iTNC controls;
    // false when the link was found lost (the cycle ends).
    bool pollProgramStatus();

    // A client event, queued for the callback (event_queue.h); nothing for
    // an empty callback. It is called with copies of the arguments, made here.
    template <class... Args, class... Given>
    void raise(const nolt::Callback<Args...>& callback, Given&&... args) {
        if (!callback) return;
        events_.raise(
            [callback, ... values = Args(std::forward<Given>(args))]() mutable { callback(std::move(values)...); });
    }
    template <class... Args, class... Given>
    void raise(const LockedValue<nolt::Callback<Args...>>& slot, Given&&... args) {
        raise(slot.get(), std::forward<Given>(args)...);
    }

    // Tool and pocket table steps that the remote functions share, with the
    // family's allocation lock held.
    // The pocket id without blanks; fails when the pocket table lacks it.
    static std::string requirePocket(ControllerFamily& tables, const std::string& pocketId);
    // Refuses a tool that a pocket other than `pocketId` holds.
    static void refuseSecondPocket(ControllerFamily& tables, const std::string& toolId, const std::string& pocketId);
    static void unlinkFromAllPockets(ControllerFamily& tables, const std::string& toolId);
    void setLinkedRow(ControllerFamily& tables, const std::string& pocketId, const TableRow& row);

    const std::string name_;
    SessionFlags flags_;
    // Connect and disconnect of this session run one at a time: overlapping,
    // one would use the machine object that the other releases.
    TimedMutex lifecycle_{LockRank::lifecycle};
    SdkGuard guard_;

    SessionPresence presence_;
    // Summary changes of connect, machine state events and lost links, and disconnect.
    void presenceConnected(const std::string& host, std::int32_t state);
    void presenceStateChanged(const std::string& state);
    void presenceDisconnected();
    void presenceEventsDropped(std::uint64_t total);

    LockedValue<std::string> controllerType_;
    // Chosen with the controller type; what differs between the families of controls.
    LockedValue<std::shared_ptr<ControllerFamily>> family_;
    void setControllerType(const std::string& controllerType);
    friend class ControllerFamily;
    friend class DataTreeFamily;
    friend class TableInterfaceFamily;
    LockedValue<std::string> sdkVersion_;

    LockedValue<std::shared_ptr<dnc::IJHMachine>> machine_;
    LockedValue<std::shared_ptr<dnc::IJHAutomatic>> automatic_;
    LockedValue<std::shared_ptr<dnc::IJHError>> error_;
    LockedValue<std::shared_ptr<dnc::IJHDataAccess>> dataAccess_;
    LockedValue<std::shared_ptr<dnc::IJHProcessData>> processData_;
    LockedValue<std::shared_ptr<dnc::IJHFileSystem>> fileSystem_;
    LockedValue<std::shared_ptr<dnc::IJHItncTable>> itncTable_;
    // One worker more in the agent's pool while this session holds a machine object.
    std::atomic<bool> workerAdded_{false};

    LockedValue<std::shared_ptr<CMachineSink>> machineSink_;
    LockedValue<std::shared_ptr<CAutomaticSink>> automaticSink_;
    LockedValue<std::shared_ptr<CErrorSink>> errorSink_;
    LockedValue<std::shared_ptr<CDataAccessSink>> dataAccessSink_;
    std::atomic<std::uint32_t> machineEventCookie_{0};
    std::atomic<std::uint32_t> automaticEventCookie_{0};
    std::atomic<std::uint32_t> dataAccessEventCookie_{0};
    std::atomic<std::uint32_t> errorEventCookie_{0};

    LockedValue<nolt::Callback<std::string>> onStateChanged_;
    LockedValue<nolt::Callback<std::string>> onConnectLost_;
    LockedValue<nolt::Callback<std::string>> onDisconnectDone_;
    LockedValue<nolt::Callback<std::string>> onProgramStatusChanged_;
    LockedValue<nolt::Callback<std::int32_t, double, std::string>> onProgramChanged_;
    LockedValue<nolt::Callback<std::int32_t, Tool, Tool, double>> onToolChanged_;
    LockedValue<nolt::Callback<std::string>> onDncModeChanged_;
    LockedValue<nolt::Callback<std::string, std::string, std::string>> onNcProgramChanged_;

    // Written by the program events (and the table monitor); both live as
    // long as the session.
    LockedValue<std::string> lastProgramEvent_;
    LockedValue<ProgramLocation> selectedProgram_;

    // Set by the access modes that open the data tree; cleared by machineInit.
    std::atomic<bool> accessModeSet_{false};
    // The monitor's notice of the missing access mode, given once per connect.
    std::atomic<bool> accessModeNoticeGiven_{false};
    SubscriptionTable subscriptions_;

    // Table monitor state; the thread comes last so that it is gone before the rest.
    std::atomic<std::int32_t> tableMonitorInterval_{5000};
    TimedMutex toolSnapshotMutex_{LockRank::snapshot};
    TimedMutex pocketSnapshotMutex_{LockRank::snapshot};
    std::vector<TableRow> toolTableSnapshot_;
    std::vector<TableRow> pocketTableSnapshot_;
    // Only the monitor thread reads and writes these two.
    std::string monitorProgramStatus_;
    std::string monitorProgram_;
    LockedValue<nolt::Callback<std::string, TableRow, TableRow>> onToolTableChanged_;
    LockedValue<nolt::Callback<std::string, TableRow, TableRow>> onPocketTableChanged_;
    // Every client event of the session passes here, in order; it outlives
    // the monitor thread, which raises events.
    EventQueue events_{name_, [this](std::uint64_t total) { presenceEventsDropped(total); }};
    MonitorThread monitor_;
};

}  // namespace heidenhain
