#pragma once
// One session with one CNC, the class that remote clients see: it owns the
// session's parts and their life cycle, and each remote function is a
// member function of one part. Every SDK call goes through the guard
// (sdk_guard.h); what differs between families of controls is one object
// chosen with the controller type (controller_family.h). The parts share one
// context and each has a header of its own:
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
// The remote functions are the parts' own member functions, each entered once
// with its part and lane in registration.cpp. The SDK tells the parts of its
// events through the sinks (events/), each holding the part it feeds.
#include <memory>
#include <string>

#include "agent/serial_queue.h"
#include "heidenhain/cnc/session_data.h"
#include "heidenhain/cnc/session_files.h"
#include "heidenhain/cnc/session_program.h"
#include "heidenhain/events/program_events.h"
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_context.h"
#include "heidenhain/session/session_interfaces.h"
#include "heidenhain/session/session_presence.h"
#include "heidenhain/tables/session_tables.h"
#include "heidenhain/tables/table_monitor.h"

namespace heidenhain {

class DncShim : public nolt::QueuedCalls {
public:
    explicit DncShim(const std::string& name);
    DncShim(const DncShim&) = delete;
    DncShim& operator=(const DncShim&) = delete;
    ~DncShim() override;

    const std::string& name() const { return context_.name; }
    // Remote calls of this session run one at a time, in order (serial_queue.h).
    std::shared_ptr<nolt::SerialQueue> callQueue() override { return context_.calls; }

    // The parts, whose member functions the registry calls.
    SessionContext& context() { return context_; }
    SessionConnection& connection() { return connection_; }
    SessionInterfaces& interfaces() { return interfaces_; }
    SessionData& data() { return data_; }
    SessionFiles& files() { return files_; }
    SessionProgram& program() { return program_; }
    ProgramEvents& programEvents() { return programEvents_; }
    SessionTables& tables() { return tables_; }
    TableMonitor& monitor() { return monitor_; }

private:
    // First and so last to go: the event queue and the state every part uses.
    SessionContext context_;
    SessionData data_{context_};
    SessionFiles files_{context_};
    SessionProgram program_{context_};
    ProgramEvents programEvents_{context_};
    SessionTables tables_{context_, data_};
    // The sinks it attaches feed the parts named here (connection_ is bound, not yet used).
    SessionInterfaces interfaces_{context_, {connection_, data_, programEvents_}};
    // Its thread uses the parts above; it is joined before they go.
    TableMonitor monitor_{context_, programEvents_};
    SessionConnection connection_{context_, interfaces_, monitor_, data_, files_};
};

}  // namespace heidenhain
