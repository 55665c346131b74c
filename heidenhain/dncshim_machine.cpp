#include <iostream>
#include <stdexcept>

#include "agent/event_loop.h"
#include "dnc/factory.h"
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"

namespace heidenhain {

void DncShim::machineInit() {
    // Access modes belong to the SDK connection that this connect makes anew.
    accessModeSet_ = false;
    accessModeNoticeGiven_ = false;
    if (machine_.get()) {
        // A connect after a lost link reuses the object it kept.
        const std::string text = " machineInit " + name_ +
                                 "called even though there already was an JHMachine instance? Ignoring this call";
        std::cout << text << std::endl;
        logWarning("machineInit", name_ + text);
        return;
    }
    std::shared_ptr<dnc::IJHMachine> machine;
    auto factory = dnc::machineFactory();
    guard_.run(offlineCall("_machine.CoCreateInstance(CLSID_JHMachineInProcess)", SDK_CALL_SITE), [&] {
        const dnc::HRESULT hr = factory->CreateMachine(&machine);
        // A component that lacks what we call says so by name, not by a bare code.
        if (dnc::failed(hr) && !factory->DescribeFailure().empty())
            throw std::runtime_error(factory->DescribeFailure());
        return hr;
    });
    machine_.set(std::move(machine));
    // Blocking SDK calls of this session must not starve other remote calls.
    nolt::EventLoop::instance().addThreads(1);
    workerAdded_ = true;
}

void DncShim::releaseMachine() {
    machine_.set(nullptr);
    controllerType_.set({});
    // Only a worker that was added is given back.
    if (workerAdded_.exchange(false)) nolt::EventLoop::instance().removeThread();
}

}  // namespace heidenhain
