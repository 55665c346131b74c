#include "dncsim/program_runner.h"

#include <algorithm>
#include <cctype>

#include "dncsim/demo_programs.h"
#include "dncsim/simulator.h"
#include "dncsim/spindle.h"
#include "dncsim/tool_of_event.h"
#include "platform/steady_clock.h"

namespace dncsim {
namespace {

constexpr dnc::HRESULT kFileNotFound = dnc::code(0x800404C8);
constexpr dnc::HRESULT kNotInThisMode = dnc::code(0x80040267);
constexpr dnc::HRESULT kOutOfBounds = dnc::code(0x80040268);
constexpr dnc::HRESULT kNothingSelected = dnc::code(0x8004045B);

constexpr std::int64_t kBlockNs = std::chrono::nanoseconds(ProgramRunner::kBlockTime).count();

// The block to start at: none given (VT_EMPTY or the empty text) is the
// first; otherwise the block number as text. -1 when unusable.
std::int64_t startBlockOf(const dnc::Variant& startBlock, std::size_t blocks) {
    if (startBlock.isEmpty()) return 0;
    if (startBlock.vt() != dnc::VT_BSTR) return -1;
    const std::string& text = startBlock.text();
    if (text.empty()) return 0;
    if (text.size() > 9 || !std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return -1;
    const std::int64_t block = std::stoll(text);
    return block < static_cast<std::int64_t>(blocks) ? block : -1;
}

// VT_DATE of the wall clock: days since 30 December 1899.
double nowAsDate() {
    using namespace std::chrono;
    const double unixDays = duration<double, std::ratio<86400>>(system_clock::now().time_since_epoch()).count();
    return 25569.0 + unixDays;
}

EventPump& pump() { return Simulator::instance().events(); }

}  // namespace

ProgramRunner::ProgramRunner(OperatingTimes& times, DataTree& tools) : times_(times), tools_(tools) {}

bool ProgramRunner::active() const {
    return status_ == dnc::DNC_PRG_STS_RUNNING || status_ == dnc::DNC_PRG_STS_STOPPED ||
           status_ == dnc::DNC_PRG_STS_INTERRUPTED;
}

void ProgramRunner::raiseStatus(dnc::DNC_EVT_PROGRAM event) {
    sinks_.raise(pump(), [event](dnc::IJHAutomaticEvents3& sink) { sink.OnProgramStatusChanged(event); });
}

void ProgramRunner::raiseProgramChanged(const std::string& path) {
    const double timeStamp = nowAsDate();
    sinks_.raise(pump(), [path, timeStamp](dnc::IJHAutomaticEvents3& sink) { sink.OnProgramChanged(0, timeStamp, path); });
}

void ProgramRunner::setStatus(dnc::DNC_STS_PROGRAM status, dnc::DNC_EVT_PROGRAM event, std::int64_t atNs) {
    times_.setRunning(status == dnc::DNC_PRG_STS_RUNNING, atNs);
    status_ = status;
    raiseStatus(event);
}

void ProgramRunner::runBlocksUntil(std::int64_t programNs) {
    if (program_ == nullptr) return;
    const auto& blocks = program_->blocks;
    for (; nextBlock_ < blocks.size() && static_cast<std::int64_t>(nextBlock_) * kBlockNs <= programNs; ++nextBlock_) {
        const auto tool = toolCalled(blocks[nextBlock_]);
        if (!tool) continue;
        const auto previous = changeSpindleTool(tools_, *tool);
        if (!previous) continue;
        const auto out = std::make_shared<ToolOfEvent>(*previous);
        const auto in = std::make_shared<ToolOfEvent>(*tool);
        const double timeStamp = nowAsDate();
        sinks_.raise(pump(), [out, in, timeStamp](dnc::IJHAutomaticEvents3& sink) {
            sink.OnToolChanged(0, out, in, timeStamp);
        });
    }
}

void ProgramRunner::advanceLocked() {
    if (status_ != dnc::DNC_PRG_STS_RUNNING) return;
    const std::int64_t endNs = runningSince_ + (programNs_ - doneNs_);
    const std::int64_t now = platform::steadyNowNs();
    runBlocksUntil(doneNs_ + (std::min(now, endNs) - runningSince_));
    if (now < endNs) return;
    doneNs_ = programNs_;
    setStatus(dnc::DNC_PRG_STS_FINISHED, dnc::DNC_PRG_EVT_FINISHED, endNs);
}

void ProgramRunner::advance() {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
}

void ProgramRunner::selectLocked(const DemoProgram& program, std::int64_t startNs) {
    selected_ = program.path;
    program_ = &program;
    programNs_ = static_cast<std::int64_t>(program.blocks.size()) * kBlockNs;
    startNs_ = startNs;
    doneNs_ = startNs;
    status_ = dnc::DNC_PRG_STS_IDLE;
    raiseStatus(dnc::DNC_PRG_EVT_SELECTED);
    raiseProgramChanged(program.path);
}

dnc::HRESULT ProgramRunner::select(std::int32_t channel, const std::string& program, const dnc::Variant& startBlock) {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (channel != 0) return dnc::kBadParameter;
    const DemoProgram* found = findDemoProgram(program);
    if (found == nullptr) return kFileNotFound;
    const std::int64_t block = startBlockOf(startBlock, found->blocks.size());
    if (block < 0) return dnc::kBadParameter;
    if (active()) return kNotInThisMode;
    selectLocked(*found, block * kBlockNs);
    return dnc::kOk;
}

dnc::HRESULT ProgramRunner::start(const std::string& program) {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (status_ == dnc::DNC_PRG_STS_RUNNING) return kNotInThisMode;
    if (executionMode_ != dnc::DNC_EXEC_AUTOMATIC && executionMode_ != dnc::DNC_EXEC_SINGLESTEP) return kNotInThisMode;
    if (!program.empty()) {
        const DemoProgram* found = findDemoProgram(program);
        if (found == nullptr) return kFileNotFound;
        if (found->path != selected_) {
            if (active()) return kNotInThisMode;
            selectLocked(*found, 0);
        }
    }
    if (status_ == dnc::DNC_PRG_STS_NOT_SELECTED) return kNothingSelected;
    // A stopped program resumes; any other starts afresh.
    if (!active()) {
        doneNs_ = startNs_;
        nextBlock_ = static_cast<std::size_t>(startNs_ / kBlockNs);
    }
    runningSince_ = platform::steadyNowNs();
    setStatus(dnc::DNC_PRG_STS_RUNNING, dnc::DNC_PRG_EVT_STARTED, runningSince_);
    // The block it starts or resumes at runs now.
    advanceLocked();
    return dnc::kOk;
}

dnc::HRESULT ProgramRunner::stop(std::int32_t channel, dnc::VariantBool atBlockEnd) {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (channel != 0) return dnc::kBadParameter;
    if (status_ != dnc::DNC_PRG_STS_RUNNING) return kNotInThisMode;
    const std::int64_t now = platform::steadyNowNs();
    doneNs_ += now - runningSince_;
    if (atBlockEnd != dnc::VARIANT_FALSE) {
        doneNs_ = std::min(programNs_, (doneNs_ + kBlockNs - 1) / kBlockNs * kBlockNs);
        setStatus(dnc::DNC_PRG_STS_STOPPED, dnc::DNC_PRG_EVT_STOPPED, now);
    } else {
        setStatus(dnc::DNC_PRG_STS_INTERRUPTED, dnc::DNC_PRG_EVT_INTERRUPTED, now);
    }
    return dnc::kOk;
}

dnc::HRESULT ProgramRunner::cancel(std::int32_t channel) {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (channel != 0) return dnc::kBadParameter;
    if (!active()) return kNotInThisMode;
    doneNs_ = startNs_;
    setStatus(dnc::DNC_PRG_STS_IDLE, dnc::DNC_PRG_EVT_CANCELED, platform::steadyNowNs());
    return dnc::kOk;
}

dnc::HRESULT ProgramRunner::clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (status_ == dnc::DNC_PRG_STS_RUNNING) return kNotInThisMode;
    selected_.clear();
    program_ = nullptr;
    programNs_ = startNs_ = doneNs_ = 0;
    setStatus(dnc::DNC_PRG_STS_NOT_SELECTED, dnc::DNC_PRG_EVT_CLEARED, platform::steadyNowNs());
    return dnc::kOk;
}

dnc::HRESULT ProgramRunner::setExecutionMode(std::int32_t mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    if (mode < dnc::DNC_EXEC_MANUAL || mode > dnc::DNC_EXEC_HANDWHEEL) return kOutOfBounds;
    if (status_ == dnc::DNC_PRG_STS_RUNNING) return kNotInThisMode;
    executionMode_ = mode;
    return dnc::kOk;
}

std::int32_t ProgramRunner::status() {
    std::lock_guard<std::mutex> lock(mutex_);
    advanceLocked();
    return status_;
}

std::int32_t ProgramRunner::executionMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return executionMode_;
}

std::string ProgramRunner::selectedProgram() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return selected_;
}

std::int32_t ProgramRunner::dncMode() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dncMode_;
}

void ProgramRunner::setDncMode(std::int32_t mode) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (mode == dncMode_) return;
    dncMode_ = mode;
    sinks_.raise(pump(), [mode](dnc::IJHAutomaticEvents3& sink) { sink.OnDncModeChanged(mode); });
}

void ProgramRunner::overrides(std::int32_t* feed, std::int32_t* speed, std::int32_t* rapid) const {
    std::lock_guard<std::mutex> lock(mutex_);
    *feed = feed_;
    *speed = speed_;
    *rapid = rapid_;
}

dnc::HRESULT ProgramRunner::setOverride(Override which, std::int32_t percentage) {
    std::lock_guard<std::mutex> lock(mutex_);
    switch (which) {
        case Override::Feed:
            if (percentage < 0 || percentage > kFeedMax) return kOutOfBounds;
            feed_ = percentage;
            break;
        case Override::Speed:
            if (percentage < kSpeedMin || percentage > kSpeedMax) return kOutOfBounds;
            speed_ = percentage;
            break;
        case Override::Rapid:
            if (percentage < 0 || percentage > kRapidMax) return kOutOfBounds;
            rapid_ = percentage;
            break;
    }
    return dnc::kOk;
}

}  // namespace dncsim
