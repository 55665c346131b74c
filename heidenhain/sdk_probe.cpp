#include "heidenhain/sdk_probe.h"

#include <memory>

#include "dnc/factory.h"
#include "heidenhain/error_texts.h"
#include "heidenhain/session_log.h"
#include "heidenhain/tables.h"

namespace heidenhain {
namespace {

// "ok" or the code with every text we have for it.
std::string outcome(dnc::HRESULT hr) {
    if (!dnc::failed(hr)) return "ok";
    std::string text = errorText(hr);
    if (text.empty()) text = dnc::machineFactory()->DescribeResult(hr);
    return "failed with 0x" + hexCode(hr) + (text.empty() ? "" : ": " + text);
}

bool step(std::ostream& out, const std::string& what, dnc::HRESULT hr) {
    out << what << ": " << outcome(hr) << "\n";
    return !dnc::failed(hr);
}

}  // namespace

bool probeSdk(std::ostream& out, const std::string& connectionName) {
    auto factory = dnc::machineFactory();
    std::shared_ptr<dnc::IJHMachine> machine;
    const dnc::HRESULT created = factory->CreateMachine(&machine);
    if (!step(out, "Create a machine object", created)) {
        if (!factory->DescribeFailure().empty()) out << "  " << factory->DescribeFailure() << "\n";
        return false;
    }
    std::string version;
    if (!step(out, "Read the SDK version", machine->GetVersionComInterface(&version))) return false;
    out << "  SDK version " << version << "\n";
    if (connectionName.empty()) {
        out << "No connection name given: connecting was not tried\n";
        return true;
    }
    if (!step(out, "Connect to \"" + connectionName + "\"", machine->Connect(connectionName))) return false;
    std::int32_t state = 0;
    bool usable = step(out, "Read the machine state", machine->GetState(&state));
    if (usable) {
        const auto name = machineStateMap().find(state);
        out << "  machine state " << (name == machineStateMap().end() ? std::string("?") : name->second) << " ("
            << state << ")\n";
    }
    usable = step(out, "Disconnect", machine->Disconnect()) && usable;
    return usable;
}

}  // namespace heidenhain
