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
    const SdkResult read = guard_.call(
        {"_automatic->GetExecutionPoint", CallSite{"automaticsink", 119}, Accepted::every(), OnLostLink::End}, [&] {
            std::shared_ptr<dnc::Object> position;  // not needed, released unread
            return automatic->GetExecutionPoint(&selectedProgram, &position);
        });
    if (read.linkLost()) {
        logWarning("OnProgramStatusChanged",
                   name_ + " in onProgramStatusChanged: Connection to CNC lost (0x" + hexCode(read.code) + ").");
        scheduleDisconnect();
        return false;
    }
    if (read.ended) return false;
    if (dnc::failed(read.code)) {
        logWarning("OnProgramStatusChanged", name_ + " Error in onProgramStatusChanged: 0x" + hexCode(read.code));
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

Tool DncShim::readTool(const std::shared_ptr<dnc::IJHToolId>& toolId) {
    // No tool object is no tool; a read that fails fails the event rather
    // than naming tool 0. The object is the event's own: no connection needed.
    if (!toolId) return Tool{"0", "0", "0"};
    std::int32_t id = 0;
    std::int32_t spare = 0;
    std::int32_t index = 0;
    guard_.run({"toolId->get_toolId(&id)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
               [&] { return toolId->get_toolId(&id); });
    guard_.run({"toolId->get_spareToolId(&spare)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
               [&] { return toolId->get_spareToolId(&spare); });
    guard_.run({"toolId->get_toolIndex(&index)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
               [&] { return toolId->get_toolIndex(&index); });
    return Tool{std::to_string(id), std::to_string(spare), std::to_string(index)};
}

void DncShim::toolChanged(std::int32_t channel, const std::shared_ptr<dnc::IJHToolId>& toolOut,
                          const std::shared_ptr<dnc::IJHToolId>& toolIn, double timeStamp) {
    // Where the table monitor reports the tool in the spindle, the SDK's event
    // of the same change would reach the client a second time, in another shape.
    if (family()->monitorReportsToolChanges()) return;
    // The tool ids are read only for a kept event.
    if (!onToolChanged_.get()) return;
    raise(onToolChanged_, channel, readTool(toolOut), readTool(toolIn), timeStamp);
}

void DncShim::dncModeChanged(std::int32_t dncMode) {
    const std::string mode = nameOf(dncModeMap(), dncMode);
    logInformation("OnDncModeChanged", name_ + ": " + mode);
    raise(onDncModeChanged_, mode);
}

}  // namespace heidenhain
