#pragma once
// Program control and overrides (session_program.cpp), thin guarded calls of
// the automatic interface; running times and the machine state summary
// (session_process_data.cpp). What the CNC tells of its programs is in
// program_events.h.
#include <cstdint>
#include <string>

#include "heidenhain/session/machine_state.h"
#include "heidenhain/session/session_context.h"

namespace heidenhain {

class SessionProgram {
public:
    explicit SessionProgram(SessionContext& context) : context_(context) {}
    SessionProgram(const SessionProgram&) = delete;
    SessionProgram& operator=(const SessionProgram&) = delete;

    void selectProgram(std::int32_t channel, const std::string& programName, const std::string& startBlockNumber);
    void startProgram(const std::string& programName);
    void stopProgram(std::int32_t channel, bool onBlockEnd);
    void cancelProgram(std::int32_t channel);
    // A name outside the execution mode table is refused; nothing is sent.
    void setExecutionMode(const std::string& executionMode);
    std::string getProgramStatus();
    std::string getDncMode();
    void clearControl();
    std::int32_t getOverrideInfoFeed();
    std::int32_t getOverrideInfoSpeed();
    std::int32_t getOverrideInfoRapid();
    void setOverrideFeed(std::int32_t percentage);
    void setOverrideRapid(std::int32_t percentage);
    void setOverrideSpeed(std::int32_t percentage);

    // Minutes.
    std::int32_t getNcUpTime();
    std::int32_t getMachineUpTime();
    std::int32_t getSpindleRunningTime(std::int32_t axisId);
    std::int32_t getMachineRunningTime();
    // Needs no connection: a disconnected session is "off" with zero times.
    MachineState getMachineState();

private:
    // The guarded call of a function on the automatic interface; `before`
    // runs once the checks passed (the function's log line).
    template <class Op, class Before>
    void automaticCall(const char* function, const char* call, CallSite site, Op&& op, Before&& before);
    template <class Op>
    void automaticCall(const char* function, const char* call, CallSite site, Op&& op);
    // GetOverrideInfo, answering the one value that `pick` chooses.
    std::int32_t overrideInfo(const char* function, int pick);
    // A process data time in minutes, from the SDK's hours and minutes.
    template <class Op>
    std::int32_t processDataMinutes(const char* function, const char* call, CallSite site, Op&& op);

    SessionContext& context_;
};

}  // namespace heidenhain
