// The program status and selected program, polled by the table monitor on
// the iTNC controls and reported as the program events report them.
#include <thread>

#include "heidenhain/events/program_events.h"
#include "heidenhain/sdk/interface_check.h"
#include "heidenhain/session/session_log.h"
#include "heidenhain/text/enum_names.h"
#include "heidenhain/text/variant_text.h"

namespace heidenhain {

bool ProgramEvents::pollProgramStatus() {
    auto automatic = context_.automatic.get();
    requireInterface(context_.guard, InterfaceCheck{"Automatic", automatic != nullptr, "oneMonitorToolTableCall"},
                     SDK_CALL_SITE);
    std::this_thread::yield();
    std::int32_t status = 0;
    const SdkResult polled = context_.guard.call({"_automatic->GetProgramStatus()", SDK_CALL_SITE, {}, OnLostLink::End},
                                                 [&] { return automatic->GetProgramStatus(&status); });
    if (polled.ended) {
        if (polled.linkLost()) {
            logWarning("oneMonitorToolTableCall",
                       context_.name + ": Connection to CNC lost (0x" + hexCode(polled.code) + ").");
            context_.scheduleDisconnect();
        }
        return false;
    }
    std::this_thread::yield();
    dnc::Variant selectedProgram;
    context_.guard.run({"_automatic->GetExecutionPoint(&selectedProgramVar, &positionList)", SDK_CALL_SITE}, [&] {
        std::shared_ptr<dnc::Object> positions;  // not used
        return automatic->GetExecutionPoint(&selectedProgram, &positions);
    });
    const std::string statusText = nameOf(programStatusMap(), status);
    const std::string program = variantToText(selectedProgram);
    if (statusText != monitorProgramStatus_) {
        context_.presence.programStatusChanged(statusText);
        context_.raise(onProgramStatusChanged_, statusText);
    }
    if (program != monitorProgram_ || statusText != monitorProgramStatus_) {
        const ProgramLocation location = splitProgramPath(program);
        context_.raise(onNcProgramChanged_, statusText, location.directory, location.name);
    }
    monitorProgramStatus_ = statusText;
    monitorProgram_ = program;
    return true;
}

}  // namespace heidenhain
