#pragma once
// What differs between the two families of controls, in one object chosen
// when the controller type is set: the older controls keep their tool and
// pocket tables as fixed-width text tables behind the table interface and
// read data values through entry properties; the newer ones keep everything
// in the data tree. A new family is one more class of this shape.
//
// Table writes assume that the caller holds `allocating()`: the session's
// remote functions take it once, so that a composite operation (a free row
// searched, then written and linked) is one step for other callers.
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "dnc/variant.h"
#include "heidenhain/sdk/timed_mutex.h"
#include "heidenhain/tables/table_row.h"

namespace heidenhain {

class ProgramEvents;
class SessionData;
class SessionFiles;
class SessionInterfaces;
struct SessionContext;

// Who reads a table: the monitor takes a lost link or a session found
// disconnected for "no rows"; a client gets the error.
enum class ReadFor { Client, Monitor };

// The value to write into an entry of the older controls, from its current value.
using OlderValue = std::function<dnc::Variant(const dnc::Variant&)>;

class ControllerFamily {
public:
    ControllerFamily(SessionContext& context, SessionData& data) : context_(context), data_(data) {}
    virtual ~ControllerFamily() = default;
    ControllerFamily(const ControllerFamily&) = delete;
    ControllerFamily& operator=(const ControllerFamily&) = delete;

    // The family of a controller type; the data tree for an unknown or empty one.
    static std::shared_ptr<ControllerFamily> forType(SessionContext& context, SessionData& data, SessionFiles& files,
                                                     const std::string& controllerType);

    // Interfaces of the family, obtained after the common ones.
    virtual void obtainInterfaces(SessionInterfaces&) {}
    // Before a monitor cycle reads the tables; false ends the cycle.
    virtual bool beginMonitorCycle(ProgramEvents& programEvents) = 0;
    virtual bool answersNcUpTime() const { return true; }
    // Whether the SDK offers GetDataEntry2, tried before GetDataEntry.
    virtual bool hasDataEntry2() const { return true; }
    // The table monitor's spindle change is the tool change event; the SDK's own is dropped.
    virtual bool monitorReportsToolChanges() const { return false; }
    // Throws where the family offers no access modes.
    virtual void refuseAccessMode() const {}
    // Logs and throws where the family lacks the remote function: clients
    // learn it before anything else, also while the session is disconnected.
    virtual void refuseUnoffered(const std::string& /*function*/) const {}

    // Data values.
    bool dataPathExists(const std::string& dataPath);
    virtual dnc::Variant readValue(const std::string& dataPath) = 0;
    // The names of the entry's children.
    virtual std::vector<std::string> listValues(const std::string& dataPath) = 0;
    virtual void writeValue(const std::string& dataPath, const dnc::Variant& newer, const OlderValue& older) = 0;

    // The tool table.
    // A cell of a tool row, read through the data tree on every control.
    std::string toolCell(const std::string& toolId, const std::string& column);
    virtual std::vector<TableRow> toolTable(ReadFor reader) = 0;
    virtual std::vector<std::string> toolIds() = 0;
    // The row of a tool whose row exists.
    virtual TableRow toolRow(const std::string& toolId) = 0;
    virtual void setToolCell(const std::string& toolId, const std::string& column, const std::string& value) = 0;
    virtual void setToolRow(const std::string& toolId, const TableRow& row) = 0;
    // Every cell but the key back to its initial value; the row stays.
    virtual void clearToolRow(const std::string& toolId) = 0;
    virtual void removeToolRow(const std::string& toolId) = 0;
    // Empty when none is free.
    virtual std::string freeToolId() = 0;

    // The pocket table.
    virtual std::vector<TableRow> pocketTable(ReadFor reader) = 0;
    virtual std::vector<std::string> pocketIds() = 0;
    virtual bool hasPocket(const std::string& pocketId) = 0;
    // Empty when the pocket is free.
    virtual std::string toolInPocket(const std::string& pocketId) = 0;
    // Empty when no pocket holds the tool.
    virtual std::string pocketOfTool(const std::string& toolId) = 0;
    // Empty when none is free.
    virtual std::string freePocketId() = 0;
    // The T cell of an existing pocket written, and blanked, without checks.
    virtual void writePocketTool(const std::string& pocketId, const std::string& toolId) = 0;
    virtual void clearPocket(const std::string& pocketId) = 0;

    // Rows read before are read afresh.
    virtual void clearCache() {}

    // Held around every tool and pocket write and the searches before it;
    // taken before the table cache lock and the SDK lock.
    std::unique_lock<TimedMutex> allocating(const char* function);

protected:
    SessionContext& context_;
    SessionData& data_;

private:
    TimedMutex allocationMutex_{LockRank::allocation};
};

}  // namespace heidenhain
