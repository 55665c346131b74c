#pragma once
// The program runner of a simulated control (channel 0 only): selection,
// start, stop, cancel, status, execution and DNC mode, overrides, and the
// automatic events of each change. A running program takes kBlockTime per
// block; a TOOL CALL block puts its tool into the spindle (pocket 0) when it
// starts. What a program did meanwhile (its tool calls, its end) is noticed
// by the next call that looks at the runner, so the steady clock seam alone
// decides when it happens.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "dnc/automatic.h"
#include "dnc/events.h"
#include "dnc/variant.h"
#include "dncsim/operating_times.h"
#include "dncsim/sink_list.h"

namespace dncsim {

class DataTree;
struct DemoProgram;

class ProgramRunner {
public:
    static constexpr std::chrono::seconds kBlockTime{1};

    // Override limits in percent, as the control enforces them.
    static constexpr std::int32_t kFeedMax = 150;
    static constexpr std::int32_t kSpeedMin = 50;
    static constexpr std::int32_t kSpeedMax = 150;
    static constexpr std::int32_t kRapidMax = 100;

    enum class Override { Feed, Speed, Rapid };

    // `tools` is the control's data tree, whose pocket table holds the spindle.
    ProgramRunner(OperatingTimes& times, DataTree& tools);

    // The results are the SDK's: kBadParameter for another channel or an
    // unusable start block, 0x800404C8 for a program that does not exist,
    // 0x80040267 when the program state does not allow the command,
    // 0x8004045B for a start with nothing selected, 0x80040268 for a value
    // out of bounds.
    dnc::HRESULT select(std::int32_t channel, const std::string& program, const dnc::Variant& startBlock);
    // An empty name starts (or resumes) the selected program; another name
    // selects that program first.
    dnc::HRESULT start(const std::string& program);
    // At the block end the program counts as stopped, at once as interrupted.
    dnc::HRESULT stop(std::int32_t channel, dnc::VariantBool atBlockEnd);
    dnc::HRESULT cancel(std::int32_t channel);
    // Deselects the program; refused while one runs.
    dnc::HRESULT clear();
    dnc::HRESULT setExecutionMode(std::int32_t mode);

    std::int32_t status();  // DNC_STS_PROGRAM
    std::int32_t executionMode() const;
    std::string selectedProgram() const;

    std::int32_t dncMode() const;
    // The operator switches the DNC mode at the control: OnDncModeChanged.
    void setDncMode(std::int32_t mode);

    void overrides(std::int32_t* feed, std::int32_t* speed, std::int32_t* rapid) const;
    dnc::HRESULT setOverride(Override which, std::int32_t percentage);

    // Ends a program whose time is up (status finished, event finished).
    void advance();

    SinkList<dnc::IJHAutomaticEvents3>& sinks() { return sinks_; }

private:
    using Lock = std::unique_lock<std::mutex>;

    void advanceLocked();
    // Runs the tool calls of the blocks that start up to this program time.
    void runBlocksUntil(std::int64_t programNs);
    bool active() const;  // running, stopped or interrupted
    void selectLocked(const DemoProgram& program, std::int64_t startNs);
    void setStatus(dnc::DNC_STS_PROGRAM status, dnc::DNC_EVT_PROGRAM event, std::int64_t atNs);
    void raiseStatus(dnc::DNC_EVT_PROGRAM event);
    void raiseProgramChanged(const std::string& path);

    OperatingTimes& times_;
    DataTree& tools_;
    mutable std::mutex mutex_;
    std::int32_t status_ = dnc::DNC_PRG_STS_NOT_SELECTED;
    std::int32_t executionMode_ = dnc::DNC_EXEC_AUTOMATIC;
    std::int32_t dncMode_ = dnc::DNC_MODE_REMOTE;
    std::int32_t feed_ = 100;
    std::int32_t speed_ = 100;
    std::int32_t rapid_ = 100;
    std::string selected_;
    const DemoProgram* program_ = nullptr;
    std::size_t nextBlock_ = 0;     // the first block that has not started yet
    std::int64_t programNs_ = 0;    // run time of the whole selected program
    std::int64_t startNs_ = 0;      // where a fresh start begins (the start block)
    std::int64_t doneNs_ = 0;       // program time run before runningSince_
    std::int64_t runningSince_ = 0; // steady clock of the last start or resume
    SinkList<dnc::IJHAutomaticEvents3> sinks_;
};

}  // namespace dncsim
