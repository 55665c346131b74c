#include "dncsim/simulator.h"

#include "dnc/machine.h"
#include "dncsim/error.h"
#include "dncsim/machine.h"

namespace dncsim {

Simulator& Simulator::instance() {
    static Simulator simulator;
    return simulator;
}

Simulator::Simulator() : connections_(std::make_shared<ConnectionStore>()) {}

Simulator::~Simulator() {
    faults_.clear();  // wakes calls that wait out a delay
    events_.stop();
}

std::shared_ptr<Controller> Simulator::controllerFor(const std::string& host, std::int32_t cncType,
                                                     std::int32_t protocol) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto& controller = controllers_[host];
    if (!controller) controller = std::make_shared<Controller>(host, cncType, protocol);
    return controller;
}

std::shared_ptr<Controller> Simulator::controller(const std::string& host) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = controllers_.find(host);
    return it == controllers_.end() ? nullptr : it->second;
}

bool Simulator::raiseMachineEvent(const std::string& host, std::int32_t stateEvent) {
    auto target = controller(host);
    if (!target) return false;
    for (const auto& machine : target->attachedMachines()) machine->raiseStateEvent(stateEvent);
    return true;
}

void Simulator::loseLink(const std::string& host) {
    faults_.setLinkLost(host, true);
    if (auto lost = controller(host)) lost->noteLinkLost();
    raiseMachineEvent(host, dnc::DNC_EVT_STATE_CONNECTION_LOST);
}

void Simulator::restoreLink(const std::string& host) { faults_.setLinkLost(host, false); }

bool Simulator::raiseError(const std::string& host, const std::string& text, const std::string& group,
                           const std::string& errorClass, const std::string& number, bool cleared) {
    auto target = controller(host);
    if (!target) return false;
    std::shared_ptr<dnc::IJHErrorEntry> error = std::make_shared<ErrorEntry>(text, group, errorClass, number);
    target->errorSinks().raise(events_, [error, cleared](dnc::IJHErrorEvents2& sink) {
        if (cleared) {
            sink.OnErrorCleared2(error);
        } else {
            sink.OnError2(error);
        }
    });
    return true;
}

bool Simulator::drainEvents(std::chrono::milliseconds bound) { return events_.drain(bound); }

void Simulator::reset() {
    faults_.clear();
    connections_->clear();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        controllers_.clear();
    }
    events_.drain(std::chrono::seconds(5));
}

}  // namespace dncsim
