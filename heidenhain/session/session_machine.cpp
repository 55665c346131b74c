// The machine object of a session, and the controller type that goes with it.
#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/session/session_connection.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "platform/log.h"

namespace heidenhain {

void SessionConnection::machineInit() {
    // Access modes belong to the SDK connection that this connect makes anew.
    context_.accessModeSet = false;
    context_.accessModeNoticeGiven = false;
    if (context_.machine.get()) {
        // A connect after a lost link reuses the object it kept.
        const std::string text = " machineInit " + context_.name +
                                 "called even though there already was an JHMachine instance? Ignoring this call";
        platform::logInformation(text);
        logWarning("machineInit", context_.name + text);
        return;
    }
    std::shared_ptr<dnc::IJHMachine> machine;
    auto factory = dnc::machineFactory();
    context_.guard.run(offlineCall("_machine.CoCreateInstance(CLSID_JHMachineInProcess)", SDK_CALL_SITE), [&] {
        const dnc::HRESULT hr = factory->CreateMachine(&machine);
        // A component that lacks what we call says so by name, not by a bare code.
        if (dnc::failed(hr) && !factory->DescribeFailure().empty())
            throw std::runtime_error(factory->DescribeFailure());
        return hr;
    });
    context_.machine.set(std::move(machine));
}

void SessionConnection::releaseMachine() {
    context_.machine.set(nullptr);
    setControllerType({});
}

void SessionConnection::setControllerType(const std::string& controllerType) {
    context_.controllerType.set(controllerType);
    context_.family.set(ControllerFamily::forType(context_, data_, files_, controllerType));
}

}  // namespace heidenhain
