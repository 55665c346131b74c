// Program, tool and DNC mode events of the CNC, as the automatic sink hands
// them over, and the callbacks that clients register for them.
#include "heidenhain/dncshim.h"
#include "heidenhain/session_log.h"
#include "heidenhain/enum_names.h"
#include "heidenhain/variant_text.h"

namespace heidenhain {

void DncShim::onProgramStatusChanged(nolt::Callback<std::string> callback) {
    onProgramStatusChanged_.set(std::move(callback));
}

void DncShim::onProgramChanged(nolt::Callback<std::int32_t, double, std::string> callback) {
    onProgramChanged_.set(std::move(callback));
}

void DncShim::onToolChanged(nolt::Callback<std::int32_t, Tool, Tool, double> callback) {
    onToolChanged_.set(std::move(callback));
}

void DncShim::onDncModeChanged(nolt::Callback<std::string> callback) { onDncModeChanged_.set(std::move(callback)); }

void DncShim::onNcProgramChanged(nolt::Callback<std::string, std::string, std::string> callback) {
    onNcProgramChanged_.set(std::move(callback));
}

void DncShim::programStatusChanged(std::int32_t programEvent) {
    const std::string event = nameOf(programEventMap(), programEvent);
    logInformation("OnProgramStatusChanged", name_ + ": programEvent = " + event);
    presence_.change([&](MachinePresence& presence) { presence.programStatus = event; });
    raise(onProgramStatusChanged_, event);
    lastProgramEvent_.set(event);
    auto ncProgramChanged = onNcProgramChanged_.get();
    if (!ncProgramChanged || !automatic_.get()) return;
    if (selectedProgram_.get().name.empty() || programEvent == dnc::DNC_PRG_EVT_SELECTED) {
        if (!refreshSelectedProgram()) return;
    }
    const ProgramLocation selected = selectedProgram_.get();
    raise(ncProgramChanged, event, selected.directory, selected.name);
}

bool DncShim::refreshSelectedProgram() {
    auto automatic = automatic_.get();
    if (!automatic) return false;
    dnc::Variant selectedProgram;
    // A session found disconnected ends the handler in silence; a disconnect
    // scheduled during a successful read does not take its answer away.
    const auto hr = guard_.timedCall("_automatic->GetExecutionPoint", CallSite{"automaticsink", 119}, true, [&] {
        std::shared_ptr<dnc::Object> position;  // not needed, released unread
        return automatic->GetExecutionPoint(&selectedProgram, &position);
    });
    if (!hr) return false;
    if (dnc::isLostLink(*hr)) {
        logWarning("OnProgramStatusChanged",
                   name_ + " in onProgramStatusChanged: Connection to CNC lost (0x" + hexCode(*hr) + ").");
        scheduleDisconnect();
        return false;
    }
    if (dnc::failed(*hr)) {
        logWarning("OnProgramStatusChanged", name_ + " Error in onProgramStatusChanged: 0x" + hexCode(*hr));
        return false;
    }
    storeSelectedProgram(variantToText(selectedProgram));
    return true;
}

void DncShim::storeSelectedProgram(const std::string& path) { selectedProgram_.set(splitProgramPath(path)); }

void DncShim::programChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
    logInformation("OnProgramChanged", name_ + ": " + programPath);
    raise(onProgramChanged_, channel, timeStamp, programPath);
    storeSelectedProgram(programPath);
    if (auto callback = onNcProgramChanged_.get()) {
        const ProgramLocation selected = selectedProgram_.get();
        raise(callback, lastProgramEvent_.get(), selected.directory, selected.name);
    }
}

void DncShim::toolChanged(std::int32_t channel, const Tool& toolOut, const Tool& toolIn, double timeStamp) {
    raise(onToolChanged_, channel, toolOut, toolIn, timeStamp);
}

void DncShim::dncModeChanged(std::int32_t dncMode) {
    const std::string mode = nameOf(dncModeMap(), dncMode);
    logInformation("OnDncModeChanged", name_ + ": " + mode);
    raise(onDncModeChanged_, mode);
}

}  // namespace heidenhain
