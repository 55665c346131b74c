#pragma once
// The simulated machine object: connects through the process-wide connection
// list to the controller of the connection's host.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "dnc/machine.h"
#include "dncsim/controller.h"
#include "dncsim/sink_list.h"

namespace dncsim {

class Simulator;

class Machine final : public dnc::IJHMachine {
public:
    explicit Machine(Simulator& simulator);
    ~Machine() override;

    dnc::HRESULT ListConnections(std::shared_ptr<dnc::IJHConnectionList>* connectionList) override;
    dnc::HRESULT Connect(const std::string& connectionName) override;
    dnc::HRESULT Disconnect() override;
    dnc::HRESULT GetState(std::int32_t* state) override;
    dnc::HRESULT GetVersionComInterface(std::string* version) override;
    dnc::HRESULT GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) override;
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHMachineEvents2> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

    // Queues the machine state event for the advised sinks.
    void raiseStateEvent(std::int32_t stateEvent);

private:
    std::shared_ptr<ControllerLink> link() const;
    std::string host() const;
    // Faults of an operation that needs no CNC.
    dnc::HRESULT enterLocal(std::string_view operation) const;
    // Start of an operation on the CNC; *link is the connection to use.
    dnc::HRESULT enterOnline(std::string_view operation, std::shared_ptr<ControllerLink>* link) const;
    // Ends the current connection, if any.
    void dropLink();

    Simulator& simulator_;
    mutable std::mutex mutex_;
    std::shared_ptr<ControllerLink> link_;  // null while not connected
    SinkList<dnc::IJHMachineEvents2> sinks_;
};

}  // namespace dncsim
