#pragma once
// Program control of the CNC: select, start, stop and cancel NC programs,
// execution mode, DNC mode, overrides; raises the automatic events.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/events.h"
#include "dnc/object.h"
#include "dnc/variant.h"

namespace dnc {

enum DNC_STS_PROGRAM : std::int32_t {
    DNC_PRG_STS_IDLE = 0,
    DNC_PRG_STS_RUNNING = 1,
    DNC_PRG_STS_STOPPED = 2,
    DNC_PRG_STS_INTERRUPTED = 3,
    DNC_PRG_STS_FINISHED = 4,
    DNC_PRG_STS_ERROR = 5,
    DNC_PRG_STS_NOT_SELECTED = 6,
};

// Numbers carried by OnProgramStatusChanged.
enum DNC_EVT_PROGRAM : std::int32_t {
    DNC_PRG_EVT_STARTED = 0,
    DNC_PRG_EVT_STOPPED = 1,
    DNC_PRG_EVT_FINISHED = 2,
    DNC_PRG_EVT_CANCELED = 3,
    DNC_PRG_EVT_INTERRUPTED = 4,
    DNC_PRG_EVT_COMPLETED = 5,
    DNC_PRG_EVT_ERROR = 6,
    DNC_PRG_EVT_ERROR_CLEARED = 7,
    DNC_PRG_EVT_SELECTED = 8,
    DNC_PRG_EVT_CLEARED = 9,
};

enum DNC_MODE : std::int32_t {
    DNC_MODE_LOCAL = 0,
    DNC_MODE_REMOTE = 1,
};

enum DNC_EXEC_MODE : std::int32_t {
    DNC_EXEC_MANUAL = 0,
    DNC_EXEC_MDI = 1,
    DNC_EXEC_RPF = 2,
    DNC_EXEC_SINGLESTEP = 3,
    DNC_EXEC_AUTOMATIC = 4,
    DNC_EXEC_OTHER = 5,
    DNC_EXEC_SIMULO_TURBO_DEPRECATED = 6,
    DNC_EXEC_HANDWHEEL = 7,
};

// The tools of a tool change event.
class IJHToolId : public virtual Object {
public:
    virtual HRESULT get_toolId(std::int32_t* toolId) = 0;
    virtual HRESULT get_spareToolId(std::int32_t* spareToolId) = 0;
    virtual HRESULT get_toolIndex(std::int32_t* toolIndex) = 0;
};

class IJHAutomatic : public EventSource<IJHAutomaticEvents3> {
public:
    // startBlock: a block number or label as VT_BSTR, or VT_EMPTY for the start.
    virtual HRESULT SelectProgram(std::int32_t channel, const std::string& programName,
                                  const Variant& startBlock) = 0;
    // options: an optional argument, Variant::missing() when omitted.
    virtual HRESULT StartProgram(const std::string& programName, const Variant& options) = 0;
    HRESULT StartProgram(const std::string& programName) {
        return StartProgram(programName, Variant::missing());
    }
    virtual HRESULT StopProgram(std::int32_t channel, VariantBool atBlockEnd) = 0;
    virtual HRESULT CancelProgram(std::int32_t channel) = 0;
    virtual HRESULT SetExecutionMode(std::int32_t executionMode) = 0;  // DNC_EXEC_MODE
    virtual HRESULT GetProgramStatus(std::int32_t* programStatus) = 0;  // DNC_STS_PROGRAM
    virtual HRESULT GetDncMode(std::int32_t* dncMode) = 0;  // DNC_MODE
    // *selectedProgram: the selected program's path as VT_BSTR; *positionList:
    // the execution position (block numbers per program level).
    virtual HRESULT GetExecutionPoint(Variant* selectedProgram, std::shared_ptr<Object>* positionList) = 0;
    virtual HRESULT ClearControl() = 0;
    // Percentages as VT_I4.
    virtual HRESULT GetOverrideInfo(Variant* feed, Variant* speed, Variant* rapid) = 0;
    virtual HRESULT SetOverrideFeed(std::int32_t percentage) = 0;
    virtual HRESULT SetOverrideSpeed(std::int32_t percentage) = 0;
    virtual HRESULT SetOverrideRapid(std::int32_t percentage) = 0;
};

}  // namespace dnc
