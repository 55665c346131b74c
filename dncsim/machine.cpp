#include "dncsim/machine.h"

#include <utility>

#include "dncsim/connection_list.h"
#include "dncsim/interfaces.h"
#include "dncsim/simulator.h"

namespace dncsim {
namespace {

// Names under the reserved .invalid domain never resolve.
bool unreachable(const std::string& host) {
    static const std::string suffix = ".invalid";
    return host.empty() ||
           (host.size() >= suffix.size() && host.compare(host.size() - suffix.size(), suffix.size(), suffix) == 0);
}

// Connected, and the connection has not been through a lost link: such a
// connection may be made again without Disconnect, as after a real outage.
bool healthy(const std::shared_ptr<ControllerLink>& link, const Faults& faults) {
    return link && link->open() && !link->interrupted() && !faults.linkLost(link->host());
}

}  // namespace

Machine::Machine(Simulator& simulator) : simulator_(simulator) {}

Machine::~Machine() { dropLink(); }

std::shared_ptr<ControllerLink> Machine::link() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return link_;
}

std::string Machine::host() const {
    auto current = link();
    return current ? current->host() : std::string();
}

dnc::HRESULT Machine::enterLocal(std::string_view operation) const {
    return simulator_.faults().enter(operation, host());
}

dnc::HRESULT Machine::enterOnline(std::string_view operation, std::shared_ptr<ControllerLink>* link) const {
    auto current = this->link();
    if (!current) {
        const auto hr = simulator_.faults().enter(operation, {});
        return dnc::failed(hr) ? hr : dnc::kNotConnected;
    }
    if (auto hr = current->enter(operation); dnc::failed(hr)) return hr;
    *link = std::move(current);
    return dnc::kOk;
}

void Machine::dropLink() {
    std::shared_ptr<ControllerLink> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        old.swap(link_);
    }
    if (!old) return;
    old->close();
    old->controller().detach(this);
}

dnc::HRESULT Machine::ListConnections(std::shared_ptr<dnc::IJHConnectionList>* connectionList) {
    if (auto hr = enterLocal("ListConnections"); dnc::failed(hr)) return hr;
    if (connectionList == nullptr) return dnc::kPointer;
    *connectionList = std::make_shared<ConnectionList>(simulator_.connections(), simulator_.faults());
    return dnc::kOk;
}

dnc::HRESULT Machine::Connect(const std::string& connectionName) {
    auto connection = simulator_.connections()->find(connectionName);
    const auto host = connection ? connection->host() : std::string();
    auto& faults = simulator_.faults();
    if (auto hr = faults.enter("Connect", host); dnc::failed(hr)) return hr;
    if (!connection) return dnc::kBadParameter;
    if (healthy(link(), faults)) return dnc::kStillConnected;
    if (unreachable(host) || faults.linkLost(host)) return dnc::kNotOnLine;

    auto controller = simulator_.controllerFor(host, connection->cncType(), connection->protocol());
    auto fresh = std::make_shared<ControllerLink>(controller, faults);
    std::shared_ptr<ControllerLink> old;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        // Another thread may have connected this object meanwhile.
        if (healthy(link_, faults)) return dnc::kStillConnected;
        old = std::exchange(link_, fresh);
    }
    // The old connection's interfaces stop working with it.
    if (old) {
        old->close();
        old->controller().detach(this);
    }
    controller->attach(std::dynamic_pointer_cast<Machine>(shared_from_this()));
    return dnc::kOk;
}

dnc::HRESULT Machine::Disconnect() {
    if (auto hr = enterLocal("Disconnect"); dnc::failed(hr)) return hr;
    if (!link()) return dnc::kNotConnected;
    dropLink();
    return dnc::kOk;
}

dnc::HRESULT Machine::GetState(std::int32_t* state) {
    std::shared_ptr<ControllerLink> current;
    if (auto hr = enterOnline("GetState", &current); dnc::failed(hr)) return hr;
    if (state == nullptr) return dnc::kPointer;
    *state = simulator_.faults().booting(current->host()) ? std::int32_t{dnc::DNC_STATE_DNC_IS_AVAILABLE}
                                                          : current->controller().machineState();
    return dnc::kOk;
}

dnc::HRESULT Machine::GetVersionComInterface(std::string* version) {
    if (auto hr = enterLocal("GetVersionComInterface"); dnc::failed(hr)) return hr;
    if (version == nullptr) return dnc::kPointer;
    *version = Simulator::kVersion;
    return dnc::kOk;
}

dnc::HRESULT Machine::GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) {
    std::shared_ptr<ControllerLink> current;
    if (auto hr = enterOnline("GetInterface", &current); dnc::failed(hr)) return hr;
    if (object == nullptr) return dnc::kPointer;
    if (auto hr = simulator_.faults().interfaceAnswer(kind, current->host()); dnc::failed(hr)) return hr;
    if (auto hr = interfaceOffered(current->controller(), kind); dnc::failed(hr)) return hr;
    auto made = makeInterface(kind, current, simulator_.events());
    if (!made) return dnc::kInvalidArg;
    *object = std::move(made);
    return dnc::kOk;
}

dnc::HRESULT Machine::Advise(std::shared_ptr<dnc::IJHMachineEvents2> sink, std::uint32_t* cookie) {
    if (auto hr = enterLocal("Advise"); dnc::failed(hr)) return hr;
    return sinks_.advise(std::move(sink), cookie);
}

dnc::HRESULT Machine::Unadvise(std::uint32_t cookie) {
    if (auto hr = enterLocal("Unadvise"); dnc::failed(hr)) return hr;
    return sinks_.unadvise(cookie);
}

void Machine::raiseStateEvent(std::int32_t stateEvent) {
    sinks_.raise(simulator_.events(),
                 [stateEvent](dnc::IJHMachineEvents2& sink) { sink.OnStateChanged(stateEvent); });
}

}  // namespace dncsim
