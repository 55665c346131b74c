// What tests do to the simulated controls behind the component, and what
// they read of it: exported functions of the DLL, since the controllers live
// in the DLL's copy of the simulator.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>

#include "dncsim/data_tree.h"
#include "dncsim/data_value.h"
#include "dncsim/program_runner.h"
#include "dncsim/simulator.h"
#include "dncsim/simulator_control.h"
#include "dncsim/tool_of_event.h"
#include "dncsimcom/events.h"

namespace {

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

dncsim::SimulatorControl& control() {
    static const auto inProcess = dncsim::inProcessSimulatorControl();
    return *inProcess;
}

}  // namespace

extern "C" {

__declspec(dllexport) long DncSimComAliveObjects() { return dncsimcom::aliveObjects(); }

__declspec(dllexport) void DncSimComReset() { sim().reset(); }

__declspec(dllexport) int DncSimComDrainEvents() { return dncsimcom::drainEvents() ? 1 : 0; }

__declspec(dllexport) int DncSimComRaiseMachineEvent(const char* host, int stateEvent) {
    return sim().raiseMachineEvent(host, stateEvent) ? 1 : 0;
}

__declspec(dllexport) void DncSimComLoseLink(const char* host) { sim().loseLink(host); }

__declspec(dllexport) void DncSimComRestoreLink(const char* host) { sim().restoreLink(host); }

__declspec(dllexport) int DncSimComRaiseError(const char* host, const char* text, const char* group,
                                              const char* errorClass, const char* number, int cleared) {
    return sim().raiseError(host, text, group, errorClass, number, cleared != 0) ? 1 : 0;
}

// The control changes the tool in the spindle: OnToolChanged to the automatic sinks.
__declspec(dllexport) int DncSimComRaiseToolChange(const char* host, int toolOut, int toolIn, double timeStamp) {
    auto controller = sim().controller(host);
    if (!controller) return 0;
    auto out = std::make_shared<dncsim::ToolOfEvent>(toolOut);
    auto in = std::make_shared<dncsim::ToolOfEvent>(toolIn);
    controller->programs().sinks().raise(sim().events(), [=](dnc::IJHAutomaticEvents3& sink) {
        sink.OnToolChanged(0, out, in, timeStamp);
    });
    return 1;
}

// The control itself writes a value (as text) into its data tree; 0 on success.
__declspec(dllexport) int DncSimComWrite(const char* host, const char* path, const char* text) {
    auto controller = sim().controller(host);
    return controller ? dncsim::writeDataText(*controller->data(), path, text) : -1;
}

// The rest of what the agent's remote control class "DncSimulator" drives.
__declspec(dllexport) void DncSimComStayBooting(const char* host, int booting) {
    control().stayBooting(host, booting != 0);
}

__declspec(dllexport) void DncSimComFailNext(const char* operation, int count, long code, const char* host) {
    control().failNext(operation, count, code, host);
}

__declspec(dllexport) void DncSimComDelay(const char* operation, int milliseconds, int count, const char* host) {
    control().delay(operation, std::chrono::milliseconds(milliseconds), count, host);
}

__declspec(dllexport) void DncSimComWithholdInterface(int kind, long code, const char* host) {
    control().withholdInterface(static_cast<dnc::DNC_INTERFACE_OBJECT>(kind), code, host);
}

__declspec(dllexport) void DncSimComOfferInterface(int kind, const char* host) {
    control().offerInterface(static_cast<dnc::DNC_INTERFACE_OBJECT>(kind), host);
}

__declspec(dllexport) void DncSimComClearFaults() { control().clearFaults(); }

__declspec(dllexport) int DncSimComSetDncMode(const char* host, int mode) {
    return control().setDncMode(host, mode) ? 1 : 0;
}

// The text of a stored value into buffer; its length, or -1 without it.
__declspec(dllexport) int DncSimComRead(const char* host, const char* path, char* buffer, int size) {
    auto controller = sim().controller(host);
    dnc::Variant value;
    if (!controller || dnc::failed(controller->data()->read(path, &value))) return -1;
    const std::string text = value.vt() == dnc::VT_BSTR ? value.text()
                             : value.vt() == dnc::VT_R8 ? std::to_string(value.realValue())
                                                        : std::to_string(value.signedValue());
    if (size > 0) {
        const auto copied = std::min<std::size_t>(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return static_cast<int>(text.size());
}

}  // extern "C"
