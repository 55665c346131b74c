#pragma once
// Program, tool and DNC mode events of the CNC, as the automatic sink hands
// them over, and the callbacks that clients register for them
// (program_events.cpp); on the iTNC controls the table monitor polls the
// program status too (program_status_poll.cpp).
#include <cstdint>
#include <memory>
#include <string>

#include "agent/callback.h"
#include "heidenhain/cnc/cnc_files.h"
#include "heidenhain/session/session_context.h"
#include "heidenhain/tables/tool.h"

namespace heidenhain {

class ProgramEvents {
public:
    explicit ProgramEvents(SessionContext& context) : context_(context) {}
    ProgramEvents(const ProgramEvents&) = delete;
    ProgramEvents& operator=(const ProgramEvents&) = delete;

    // Each slot keeps the last callback given.
    void onProgramStatusChanged(nolt::Callback<std::string> callback);
    void onProgramChanged(nolt::Callback<std::int32_t, double, std::string> callback);
    void onToolChanged(nolt::Callback<std::int32_t, Tool, Tool, double> callback);
    void onDncModeChanged(nolt::Callback<std::string> callback);
    // Event name, program directory, program name.
    void onNcProgramChanged(nolt::Callback<std::string, std::string, std::string> callback);

    // From the automatic sink, on an SDK event thread; they throw what the
    // refresh throws. Their callbacks run later, on the session's event thread.
    void programStatusChanged(std::int32_t programEvent);
    void programChanged(std::int32_t channel, double timeStamp, const std::string& programPath);
    // The three numbers of a tool-id object of a tool change event, as texts.
    Tool readTool(const std::shared_ptr<dnc::IJHToolId>& toolId);
    // Dropped on the table-interface controls, whose table monitor reports the change.
    void toolChanged(std::int32_t channel, const std::shared_ptr<dnc::IJHToolId>& toolOut,
                     const std::shared_ptr<dnc::IJHToolId>& toolIn, double timeStamp);
    void dncModeChanged(std::int32_t dncMode);

    // From the table monitor: the tool in the spindle changed, on the
    // controls where that is the tool change event.
    void spindleToolChanged(const std::string& toolOut, const std::string& toolIn);
    // The program status and selected program polled on the iTNC controls;
    // false when the link was found lost (the cycle ends).
    bool pollProgramStatus();

private:
    // Asks the CNC for the selected program and stores where it lies; false
    // when the session is not connected or the call failed (then logged).
    bool refreshSelectedProgram();
    void storeSelectedProgram(const std::string& path);

    SessionContext& context_;
    LockedValue<nolt::Callback<std::string>> onProgramStatusChanged_;
    LockedValue<nolt::Callback<std::int32_t, double, std::string>> onProgramChanged_;
    LockedValue<nolt::Callback<std::int32_t, Tool, Tool, double>> onToolChanged_;
    LockedValue<nolt::Callback<std::string>> onDncModeChanged_;
    LockedValue<nolt::Callback<std::string, std::string, std::string>> onNcProgramChanged_;

    // Written by the program events (and the table monitor); both live as
    // long as the session.
    LockedValue<std::string> lastProgramEvent_;
    LockedValue<ProgramLocation> selectedProgram_;
    // Only the monitor thread reads and writes these two.
    std::string monitorProgramStatus_;
    std::string monitorProgram_;
};

}  // namespace heidenhain
