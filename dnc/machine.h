#pragma once
// The machine object: one per session, created by the machine factory
// (dnc/factory.h). It connects to a CNC through a named connection of the
// connection list and hands out the other SDK interfaces.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/connection.h"
#include "dnc/events.h"
#include "dnc/object.h"

namespace dnc {

// Interface kinds of GetInterface.
enum DNC_INTERFACE_OBJECT : std::int32_t {
    DNC_INTERFACE_JHAUTOMATIC = 1,
    DNC_INTERFACE_JHDATAACCESS = 2,
    DNC_INTERFACE_JHERROR = 3,
    DNC_INTERFACE_JHFILESYSTEM = 4,
    DNC_INTERFACE_JHPROCESSDATA = 5,
    DNC_INTERFACE_TNCTABLE = 6,
};

// Machine states that GetState reports.
enum DNC_STATE_MACHINE : std::int32_t {
    DNC_STATE_NOT_INITIALIZED = 0,
    DNC_STATE_HOST_NOT_AVAILABLE = 1,
    DNC_STATE_HOST_IS_AVAILABLE = 2,
    DNC_STATE_WAITING_PERMISSION = 3,
    DNC_STATE_DNC_IS_AVAILABLE = 4,
    DNC_STATE_MACHINE_IS_BOOTED = 5,
    DNC_STATE_MACHINE_IS_INITIALIZING = 6,
    DNC_STATE_MACHINE_IS_AVAILABLE = 7,
    DNC_STATE_MACHINE_IS_SHUTTING_DOWN = 8,
    DNC_STATE_DNC_IS_STOPPED = 9,
    DNC_STATE_HOST_IS_STOPPED = 10,
    DNC_STATE_NO_PERMISSION = 11,
};

// Machine state events: a numbering of their own, not the states above.
enum DNC_EVT_STATE : std::int32_t {
    DNC_EVT_STATE_HOST_NOT_AVAILABLE = 0,
    DNC_EVT_STATE_HOST_AVAILABLE = 1,
    DNC_EVT_STATE_WAIT_PERMISSION = 2,
    DNC_EVT_STATE_DNC_AVAILABLE = 3,
    DNC_EVT_STATE_MACHINE_BOOTED = 4,
    DNC_EVT_STATE_MACHINE_INITIALIZING = 5,
    DNC_EVT_STATE_MACHINE_AVAILABLE = 6,
    DNC_EVT_STATE_MACHINE_SHUTTING_DOWN = 7,
    DNC_EVT_STATE_DNC_STOPPED = 8,
    DNC_EVT_STATE_HOST_STOPPED = 9,
    DNC_EVT_STATE_CONNECTION_LOST = 10,
    DNC_EVT_STATE_PERMISSION_DENIED = 11,
};

class IJHMachine : public EventSource<IJHMachineEvents2> {
public:
    // The process-wide, persistent list of configured connections.
    virtual HRESULT ListConnections(std::shared_ptr<IJHConnectionList>* connectionList) = 0;
    // Connects to the CNC of the connection with this name; may block for seconds.
    virtual HRESULT Connect(const std::string& connectionName) = 0;
    virtual HRESULT Disconnect() = 0;
    // *state: a DNC_STATE_MACHINE number.
    virtual HRESULT GetState(std::int32_t* state) = 0;
    virtual HRESULT GetVersionComInterface(std::string* version) = 0;
    // *object is untyped; QueryInterface turns it into the interface of the kind.
    virtual HRESULT GetInterface(DNC_INTERFACE_OBJECT kind, std::shared_ptr<Object>* object) = 0;
};

}  // namespace dnc
