#include "dncsim/remote_control.h"

#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <utility>

#include "agent/local_factory.h"
#include "dnc/machine.h"
#include "dnc/automatic.h"
#include "dncsim/faults.h"
#include "dncsim/simulator_control.h"

namespace dncsim {
namespace {

dnc::HRESULT failureCode(std::int64_t code) {
    if (code < INT32_MIN || code > UINT32_MAX) {
        throw std::invalid_argument("Result code out of range: " + std::to_string(code));
    }
    const auto hr = dnc::code(static_cast<std::uint32_t>(code));
    if (!dnc::failed(hr)) throw std::invalid_argument("Result code is no failure code: " + std::to_string(code));
    return hr;
}

int callCount(int count) { return count < 0 ? kEveryCall : count; }

dnc::DNC_INTERFACE_OBJECT interfaceKind(const std::string& name) {
    static const std::pair<const char*, dnc::DNC_INTERFACE_OBJECT> kinds[] = {
        {"DNC_INTERFACE_JHAUTOMATIC", dnc::DNC_INTERFACE_JHAUTOMATIC},
        {"DNC_INTERFACE_JHDATAACCESS", dnc::DNC_INTERFACE_JHDATAACCESS},
        {"DNC_INTERFACE_JHERROR", dnc::DNC_INTERFACE_JHERROR},
        {"DNC_INTERFACE_JHFILESYSTEM", dnc::DNC_INTERFACE_JHFILESYSTEM},
        {"DNC_INTERFACE_JHPROCESSDATA", dnc::DNC_INTERFACE_JHPROCESSDATA},
        {"DNC_INTERFACE_TNCTABLE", dnc::DNC_INTERFACE_TNCTABLE},
    };
    for (const auto& [kindName, kind] : kinds) {
        if (name == kindName) return kind;
    }
    throw std::invalid_argument("Unknown interface kind: " + name);
}

std::shared_ptr<SimulatorControl> installedControl;

// Set once at start-up, before any call; this process's controls until then.
SimulatorControl& control() {
    static const auto inProcess = inProcessSimulatorControl();
    return installedControl ? *installedControl : *inProcess;
}

}  // namespace

bool DncSimulator::raiseMachineEvent(const std::string& host, int stateEvent) {
    return control().raiseMachineEvent(host, stateEvent);
}

bool DncSimulator::raiseError(const std::string& host, const std::string& text, const std::string& group,
                              const std::string& errorClass, const std::string& number, bool cleared) {
    return control().raiseError(host, text, group, errorClass, number, cleared);
}

void DncSimulator::loseLink(const std::string& host) { control().loseLink(host); }

void DncSimulator::restoreLink(const std::string& host) { control().restoreLink(host); }

void DncSimulator::stayBooting(const std::string& host, bool booting) { control().stayBooting(host, booting); }

void DncSimulator::failNext(const std::string& operation, int count, std::int64_t code, const std::string& host) {
    control().failNext(operation, callCount(count), failureCode(code), host);
}

void DncSimulator::delay(const std::string& operation, int milliseconds, int count, const std::string& host) {
    if (milliseconds < 0) throw std::invalid_argument("Delay must not be negative");
    control().delay(operation, std::chrono::milliseconds(milliseconds), callCount(count), host);
}

void DncSimulator::withholdInterface(const std::string& kind, std::int64_t code, const std::string& host) {
    control().withholdInterface(interfaceKind(kind), failureCode(code), host);
}

void DncSimulator::offerInterface(const std::string& kind, const std::string& host) {
    control().offerInterface(interfaceKind(kind), host);
}

void DncSimulator::clearFaults() { control().clearFaults(); }

bool DncSimulator::setDncMode(const std::string& host, int mode) {
    if (mode != dnc::DNC_MODE_LOCAL && mode != dnc::DNC_MODE_REMOTE) {
        throw std::invalid_argument("Unknown DNC mode: " + std::to_string(mode));
    }
    return control().setDncMode(host, mode);
}

void DncSimulator::setDataValue(const std::string& host, const std::string& path, const std::string& value) {
    const auto hr = control().setDataValue(host, path, value);
    if (!hr) throw std::invalid_argument("No controller " + host + " yet");
    if (*hr == dnc::kBadParameter) throw std::invalid_argument("No data entry " + path + " on " + host);
    if (dnc::failed(*hr)) throw std::invalid_argument("Value " + value + " does not fit data entry " + path);
}

void registerDncSimulator(std::shared_ptr<SimulatorControl> control) {
    static const bool registered = [&control] {
        installedControl = std::move(control);
        auto& registry = nolt::LocalFactory::instance();
        const std::string name = "DncSimulator";
        registry.registerClass<DncSimulator>(name);
        registry.registerMember(name, "raiseMachineEvent", &DncSimulator::raiseMachineEvent);
        registry.registerMember(name, "raiseError", &DncSimulator::raiseError);
        registry.registerMember(name, "loseLink", &DncSimulator::loseLink);
        registry.registerMember(name, "restoreLink", &DncSimulator::restoreLink);
        registry.registerMember(name, "stayBooting", &DncSimulator::stayBooting);
        registry.registerMember(name, "failNext", &DncSimulator::failNext);
        registry.registerMember(name, "delay", &DncSimulator::delay);
        registry.registerMember(name, "withholdInterface", &DncSimulator::withholdInterface);
        registry.registerMember(name, "offerInterface", &DncSimulator::offerInterface);
        registry.registerMember(name, "clearFaults", &DncSimulator::clearFaults);
        registry.registerMember(name, "setDncMode", &DncSimulator::setDncMode);
        registry.registerMember(name, "setDataValue", &DncSimulator::setDataValue);
        return true;
    }();
    (void)registered;
}

}  // namespace dncsim
