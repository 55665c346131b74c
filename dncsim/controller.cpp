#include "dncsim/controller.h"

#include <algorithm>

#include "dnc/connection.h"
#include "dnc/machine.h"

namespace dncsim {

Family familyOf(std::int32_t cncType) {
    return cncType == dnc::DNC_CNC_TYPE_ITNC ? Family::TableInterface : Family::DataAccess;
}

Controller::Controller(std::string host, std::int32_t cncType, std::int32_t protocol)
    : host_(std::move(host)), cncType_(cncType), protocol_(protocol), family_(familyOf(cncType)),
      data_(DataTree::demo(family_)) {}

std::int32_t Controller::machineState() const { return dnc::DNC_STATE_MACHINE_IS_AVAILABLE; }

void Controller::attach(const std::shared_ptr<Machine>& machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    machines_.erase(std::remove_if(machines_.begin(), machines_.end(),
                                   [](const std::weak_ptr<Machine>& m) { return m.expired(); }),
                    machines_.end());
    machines_.push_back(machine);
}

void Controller::detach(const Machine* machine) {
    std::lock_guard<std::mutex> lock(mutex_);
    machines_.erase(std::remove_if(machines_.begin(), machines_.end(),
                                   [&](const std::weak_ptr<Machine>& m) {
                                       auto locked = m.lock();
                                       return !locked || locked.get() == machine;
                                   }),
                    machines_.end());
}

std::vector<std::shared_ptr<Machine>> Controller::attachedMachines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::shared_ptr<Machine>> result;
    for (const auto& weak : machines_) {
        if (auto machine = weak.lock()) result.push_back(std::move(machine));
    }
    return result;
}

ControllerLink::ControllerLink(std::shared_ptr<Controller> controller, Faults& faults)
    : controller_(std::move(controller)), faults_(faults), lossesAtStart_(controller_->losses()) {}

void ControllerLink::close() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
}

bool ControllerLink::open() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

dnc::HRESULT ControllerLink::enter(std::string_view operation) const {
    if (auto hr = enterLocal(operation); dnc::failed(hr)) return hr;
    if (!open()) return dnc::kNotConnected;
    if (faults_.linkLost(host())) return dnc::kConnectionLost;
    return dnc::kOk;
}

dnc::HRESULT ControllerLink::enterLocal(std::string_view operation) const {
    return faults_.enter(operation, host());
}

}  // namespace dncsim
