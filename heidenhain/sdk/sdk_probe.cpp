#include "heidenhain/sdk/sdk_probe.h"

#include <memory>

#include "dnc/connection.h"
#include "dnc/factory.h"
#include "heidenhain/sdk/error_texts.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/text/enum_names.h"

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

// The names of the SDK's configured connections, for a name that is not among them.
bool configured(std::ostream& out, dnc::IJHMachine& machine, const std::string& wanted) {
    std::shared_ptr<dnc::IJHConnectionList> list;
    std::int32_t count = 0;
    dnc::HRESULT hr = machine.ListConnections(&list);
    if (!dnc::failed(hr) && !list) hr = dnc::kPointer;
    if (!dnc::failed(hr)) hr = list->get_Count(&count);
    if (dnc::failed(hr)) return step(out, "List the configured connections", hr);
    std::string names;
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHConnection> connection;
        std::string name;
        if (dnc::failed(list->get_Item(i, &connection)) || !connection || dnc::failed(connection->get_name(&name)))
            continue;
        if (name == wanted) return true;
        names += (names.empty() ? "\"" : ", \"") + name + "\"";
    }
    out << "No connection named \"" << wanted << "\" is configured in the SDK (configured: "
        << (names.empty() ? "none" : names) << ")\n";
    return false;
}

}  // namespace

bool probeSdk(std::ostream& out, const std::string& connectionName) {
    auto factory = dnc::machineFactory();
    std::shared_ptr<dnc::IJHMachine> machine;
    const dnc::HRESULT created = factory->CreateMachine(&machine);
    if (!step(out, "Create a machine object", created == dnc::kOk && !machine ? dnc::kPointer : created)) {
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
    if (!configured(out, *machine, connectionName)) return false;
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
