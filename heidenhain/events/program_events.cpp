// Program, tool and DNC mode events of the CNC, as the automatic sink hands
// them over, and the callbacks that clients register for them.
#include "heidenhain/events/program_events.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/tables/controller_family.h"
#include "heidenhain/text/enum_names.h"
#include "heidenhain/text/variant_text.h"

namespace heidenhain {

void ProgramEvents::onProgramStatusChanged(nolt::Callback<std::string> callback) {
    onProgramStatusChanged_.set(std::move(callback));
}

void ProgramEvents::onProgramChanged(nolt::Callback<std::int32_t, double, std::string> callback) {
    onProgramChanged_.set(std::move(callback));
}

void ProgramEvents::onToolChanged(nolt::Callback<std::int32_t, Tool, Tool, double> callback) {
    onToolChanged_.set(std::move(callback));
}

void ProgramEvents::onDncModeChanged(nolt::Callback<std::string> callback) {
    onDncModeChanged_.set(std::move(callback));
}

void ProgramEvents::onNcProgramChanged(nolt::Callback<std::string, std::string, std::string> callback) {
    onNcProgramChanged_.set(std::move(callback));
}

void ProgramEvents::programStatusChanged(std::int32_t programEvent) {
    const std::string event = nameOf(programEventMap(), programEvent);
    logInformation("OnProgramStatusChanged", context_.name + ": programEvent = " + event);
    context_.presence.programStatusChanged(event);
    context_.raise(onProgramStatusChanged_, event);
    lastProgramEvent_.set(event);
    auto ncProgramChanged = onNcProgramChanged_.get();
    if (!ncProgramChanged || !context_.automatic.get()) return;
    if (selectedProgram_.get().name.empty() || programEvent == dnc::DNC_PRG_EVT_SELECTED) {
        if (!refreshSelectedProgram()) return;
    }
    const ProgramLocation selected = selectedProgram_.get();
    context_.raise(ncProgramChanged, event, selected.directory, selected.name);
}

bool ProgramEvents::refreshSelectedProgram() {
    auto automatic = context_.automatic.get();
    if (!automatic) return false;
    dnc::Variant selectedProgram;
    // A session found disconnected ends the handler in silence; a disconnect
    // scheduled during a successful read does not take its answer away.
    const SdkResult read = context_.guard.call(
        {"_automatic->GetExecutionPoint", CallSite{"automaticsink", 119}, Accepted::every(), OnLostLink::End}, [&] {
            std::shared_ptr<dnc::Object> position;  // not needed, released unread
            return automatic->GetExecutionPoint(&selectedProgram, &position);
        });
    if (read.linkLost()) {
        logWarning("OnProgramStatusChanged", context_.name + " in onProgramStatusChanged: Connection to CNC lost (0x" +
                                                 hexCode(read.code) + ").");
        context_.scheduleDisconnect();
        return false;
    }
    if (read.ended) return false;
    if (dnc::failed(read.code)) {
        logWarning("OnProgramStatusChanged",
                   context_.name + " Error in onProgramStatusChanged: 0x" + hexCode(read.code));
        return false;
    }
    storeSelectedProgram(variantToText(selectedProgram));
    return true;
}

void ProgramEvents::storeSelectedProgram(const std::string& path) { selectedProgram_.set(splitProgramPath(path)); }

void ProgramEvents::programChanged(std::int32_t channel, double timeStamp, const std::string& programPath) {
    logInformation("OnProgramChanged", context_.name + ": " + programPath);
    context_.raise(onProgramChanged_, channel, timeStamp, programPath);
    storeSelectedProgram(programPath);
    if (auto callback = onNcProgramChanged_.get()) {
        const ProgramLocation selected = selectedProgram_.get();
        context_.raise(callback, lastProgramEvent_.get(), selected.directory, selected.name);
    }
}

Tool ProgramEvents::readTool(const std::shared_ptr<dnc::IJHToolId>& toolId) {
    // No tool object is no tool; a read that fails fails the event rather
    // than naming tool 0. The object is the event's own: no connection needed.
    if (!toolId) return Tool{"0", "0", "0"};
    std::int32_t id = 0;
    std::int32_t spare = 0;
    std::int32_t index = 0;
    context_.guard.run({"toolId->get_toolId(&id)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
                       [&] { return toolId->get_toolId(&id); });
    context_.guard.run({"toolId->get_spareToolId(&spare)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
                       [&] { return toolId->get_spareToolId(&spare); });
    context_.guard.run({"toolId->get_toolIndex(&index)", SDK_CALL_SITE, {}, OnLostLink::Fail, When::Either},
                       [&] { return toolId->get_toolIndex(&index); });
    return Tool{std::to_string(id), std::to_string(spare), std::to_string(index)};
}

void ProgramEvents::toolChanged(std::int32_t channel, const std::shared_ptr<dnc::IJHToolId>& toolOut,
                                const std::shared_ptr<dnc::IJHToolId>& toolIn, double timeStamp) {
    // Where the table monitor reports the tool in the spindle, the SDK's event
    // of the same change would reach the client a second time, in another shape.
    if (context_.family.get()->monitorReportsToolChanges()) return;
    // The tool ids are read only for a kept event.
    if (!onToolChanged_.get()) return;
    context_.raise(onToolChanged_, channel, readTool(toolOut), readTool(toolIn), timeStamp);
}

void ProgramEvents::dncModeChanged(std::int32_t dncMode) {
    const std::string mode = nameOf(dncModeMap(), dncMode);
    logInformation("OnDncModeChanged", context_.name + ": " + mode);
    context_.raise(onDncModeChanged_, mode);
}

void ProgramEvents::spindleToolChanged(const std::string& toolOut, const std::string& toolIn) {
    context_.raise(onToolChanged_, 0, Tool{toolOut, "", ""}, Tool{toolIn, "", ""}, 0.0);
}

}  // namespace heidenhain
