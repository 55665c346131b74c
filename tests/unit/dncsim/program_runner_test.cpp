// The simulated automatic and process data interfaces: the program runner's
// states, results and events, overrides, and operating times on a test clock.
#include <gmock/gmock.h>

#include "dnc/automatic.h"
#include "dnc/process_data.h"
#include "dncsim/demo_programs.h"
#include "dncsim/program_runner.h"
#include "dncsim/remote_control.h"
#include "sim_fixture.h"
#include "tests/support/fake_clock.h"

namespace dncsim::test {
namespace {

using namespace dnc;
using namespace std::chrono_literals;

constexpr HRESULT kFileNotFound = code(0x800404C8);
constexpr HRESULT kNotInThisMode = code(0x80040267);
constexpr HRESULT kOutOfBounds = code(0x80040268);
constexpr HRESULT kNothingSelected = code(0x8004045B);
constexpr HRESULT kInvalidAxis = code(0x8004027B);

const std::string kDemo = "TNC:\\nc_prog\\demo.h";
const std::string kDrill = "TNC:\\nc_prog\\drill.h";

// Records automatic events as short texts, with the threads that delivered them.
class RecordingAutomaticSink : public IJHAutomaticEvents3 {
public:
    HRESULT OnProgramStatusChanged(std::int32_t programEvent) override {
        return note("status " + std::to_string(programEvent));
    }
    HRESULT OnDncModeChanged(std::int32_t dncMode) override { return note("dnc " + std::to_string(dncMode)); }
    HRESULT OnExecutionMessage(std::int32_t, const Variant&, const std::string& message) override {
        return note("message " + message);
    }
    HRESULT OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) override {
        return note("program " + std::to_string(channel) + " " + programPath + (timeStamp > 40000 ? "" : " bad time"));
    }
    HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<IJHToolId> out, std::shared_ptr<IJHToolId> in,
                          double timeStamp) override {
        std::int32_t outId = -1, inId = -1;
        out->get_toolId(&outId);
        in->get_toolId(&inId);
        return note("tool " + std::to_string(channel) + " " + std::to_string(outId) + " " + std::to_string(inId) +
                    (timeStamp > 40000 ? "" : " bad time"));
    }

    std::vector<std::string> events() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }
    bool onlyOtherThreads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto id : threads_)
            if (id == std::this_thread::get_id()) return false;
        return true;
    }

private:
    HRESULT note(std::string event) {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back(std::move(event));
        threads_.push_back(std::this_thread::get_id());
        return kOk;
    }
    mutable std::mutex mutex_;
    std::vector<std::string> events_;
    std::vector<std::thread::id> threads_;
};

template <class Interface>
std::shared_ptr<Interface> interfaceOf(const std::shared_ptr<IJHMachine>& machine, DNC_INTERFACE_OBJECT kind) {
    std::shared_ptr<Object> object;
    EXPECT_EQ(machine->GetInterface(kind, &object), kOk);
    return std::dynamic_pointer_cast<Interface>(object);
}

class ProgramRunnerTest : public SimulatorTest {
protected:
    void SetUp() override {
        SimulatorTest::SetUp();
        machine = connectedMachine("cnc");
        automatic = interfaceOf<IJHAutomatic>(machine, DNC_INTERFACE_JHAUTOMATIC);
        ASSERT_TRUE(automatic);
        std::uint32_t cookie = 0;
        ASSERT_EQ(automatic->Advise(sink, &cookie), kOk);
    }

    std::int32_t status() {
        std::int32_t value = -1;
        EXPECT_EQ(automatic->GetProgramStatus(&value), kOk);
        return value;
    }
    std::vector<std::string> events() {
        EXPECT_TRUE(sim().drainEvents());
        return sink->events();
    }

    // Programs advance only when a test moves the clock.
    testsupport::FakeClock clock;
    std::shared_ptr<IJHMachine> machine;
    std::shared_ptr<IJHAutomatic> automatic;
    std::shared_ptr<RecordingAutomaticSink> sink = std::make_shared<RecordingAutomaticSink>();
};

TEST_F(ProgramRunnerTest, SelectStartStopResumeCancelAndClear) {
    EXPECT_EQ(status(), DNC_PRG_STS_NOT_SELECTED);
    ASSERT_EQ(automatic->SelectProgram(0, "tnc:\\NC_PROG\\demo.h", Variant()), kOk) << "paths ignore case";
    EXPECT_EQ(status(), DNC_PRG_STS_IDLE);
    ASSERT_EQ(automatic->StartProgram(""), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_RUNNING);
    ASSERT_EQ(automatic->StopProgram(0, VARIANT_TRUE), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_STOPPED);
    ASSERT_EQ(automatic->StartProgram(""), kOk);
    ASSERT_EQ(automatic->StopProgram(0, VARIANT_FALSE), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_INTERRUPTED);
    ASSERT_EQ(automatic->CancelProgram(0), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_IDLE);
    ASSERT_EQ(automatic->ClearControl(), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_NOT_SELECTED);
    EXPECT_EQ(events(), (std::vector<std::string>{"status 8", "program 0 " + kDemo, "status 0", "status 1",
                                                  "status 0", "status 4", "status 3", "status 9"}));
    EXPECT_TRUE(sink->onlyOtherThreads());
}

TEST_F(ProgramRunnerTest, StartByNameSelectsThatProgram) {
    ASSERT_EQ(automatic->SelectProgram(0, kDemo, Variant()), kOk);
    ASSERT_EQ(automatic->StartProgram(kDrill), kOk);
    EXPECT_EQ(status(), DNC_PRG_STS_RUNNING);
    EXPECT_EQ(sim().controller("cnc")->programs().selectedProgram(), kDrill);
    EXPECT_EQ(automatic->StartProgram(kDemo), kNotInThisMode) << "another program while one runs";
    EXPECT_EQ(events(), (std::vector<std::string>{"status 8", "program 0 " + kDemo, "status 8",
                                                  "program 0 " + kDrill, "status 0"}));
}

TEST_F(ProgramRunnerTest, CommandsThatTheStateOrTheArgumentsDoNotAllow) {
    EXPECT_EQ(automatic->StartProgram(""), kNothingSelected);
    EXPECT_EQ(automatic->SelectProgram(0, "TNC:\\nc_prog\\missing.h", Variant()), kFileNotFound);
    EXPECT_EQ(automatic->StartProgram("TNC:\\nc_prog\\missing.h"), kFileNotFound);
    EXPECT_EQ(automatic->SelectProgram(1, kDemo, Variant()), kBadParameter) << "one channel only";
    EXPECT_EQ(automatic->SelectProgram(0, kDemo, Variant("12")), kBadParameter) << "demo.h has blocks 0 to 11";
    EXPECT_EQ(automatic->SelectProgram(0, kDemo, Variant("x")), kBadParameter);
    EXPECT_EQ(automatic->SelectProgram(0, kDemo, Variant(3)), kBadParameter);
    EXPECT_EQ(automatic->StopProgram(0, VARIANT_TRUE), kNotInThisMode) << "nothing runs";
    EXPECT_EQ(automatic->CancelProgram(0), kNotInThisMode);
    EXPECT_EQ(status(), DNC_PRG_STS_NOT_SELECTED);

    ASSERT_EQ(automatic->SelectProgram(0, kDemo, Variant("")), kOk) << "the empty text is the first block";
    ASSERT_EQ(automatic->SelectProgram(0, kDemo, Variant("11")), kOk);
    ASSERT_EQ(automatic->StartProgram(""), kOk);
    EXPECT_EQ(automatic->StartProgram(""), kNotInThisMode);
    EXPECT_EQ(automatic->SelectProgram(0, kDrill, Variant()), kNotInThisMode);
    EXPECT_EQ(automatic->ClearControl(), kNotInThisMode);
    EXPECT_EQ(automatic->SetExecutionMode(DNC_EXEC_MANUAL), kNotInThisMode);
    EXPECT_EQ(automatic->StopProgram(1, VARIANT_TRUE), kBadParameter);
    EXPECT_EQ(automatic->CancelProgram(1), kBadParameter);
    EXPECT_EQ(status(), DNC_PRG_STS_RUNNING);
}

TEST_F(ProgramRunnerTest, ExecutionModeDecidesWhetherProgramsStart) {
    auto& programs = sim().controller("cnc")->programs();
    EXPECT_EQ(programs.executionMode(), DNC_EXEC_AUTOMATIC);
    EXPECT_EQ(automatic->SetExecutionMode(8), kOutOfBounds);
    EXPECT_EQ(automatic->SetExecutionMode(-1), kOutOfBounds);
    ASSERT_EQ(automatic->SetExecutionMode(DNC_EXEC_HANDWHEEL), kOk);
    EXPECT_EQ(programs.executionMode(), DNC_EXEC_HANDWHEEL);
    ASSERT_EQ(automatic->SelectProgram(0, kDemo, Variant()), kOk);
    EXPECT_EQ(automatic->StartProgram(""), kNotInThisMode);
    ASSERT_EQ(automatic->SetExecutionMode(DNC_EXEC_SINGLESTEP), kOk);
    EXPECT_EQ(automatic->StartProgram(""), kOk);
}

TEST_F(ProgramRunnerTest, DncModeAndItsEvent) {
    std::int32_t mode = -1;
    ASSERT_EQ(automatic->GetDncMode(&mode), kOk);
    EXPECT_EQ(mode, DNC_MODE_REMOTE);
    // The remote control switches it as an operator at the control would.
    DncSimulator remote;
    EXPECT_TRUE(remote.setDncMode("cnc", DNC_MODE_LOCAL));
    EXPECT_TRUE(remote.setDncMode("cnc", DNC_MODE_LOCAL));
    EXPECT_FALSE(remote.setDncMode("elsewhere", DNC_MODE_LOCAL));
    EXPECT_THROW(remote.setDncMode("cnc", 2), std::invalid_argument);
    ASSERT_EQ(automatic->GetDncMode(&mode), kOk);
    EXPECT_EQ(mode, DNC_MODE_LOCAL);
    EXPECT_EQ(events(), std::vector<std::string>{"dnc 0"}) << "only a change is an event";
}

TEST_F(ProgramRunnerTest, OverridesKeepTheirBounds) {
    auto read = [&] {
        Variant feed, speed, rapid;
        EXPECT_EQ(automatic->GetOverrideInfo(&feed, &speed, &rapid), kOk);
        EXPECT_EQ(feed.vt(), VT_I4);
        return std::vector<std::int64_t>{feed.signedValue(), speed.signedValue(), rapid.signedValue()};
    };
    EXPECT_EQ(read(), (std::vector<std::int64_t>{100, 100, 100}));
    EXPECT_EQ(automatic->SetOverrideFeed(0), kOk);
    EXPECT_EQ(automatic->SetOverrideSpeed(50), kOk);
    EXPECT_EQ(automatic->SetOverrideRapid(100), kOk);
    EXPECT_EQ(read(), (std::vector<std::int64_t>{0, 50, 100}));
    EXPECT_EQ(automatic->SetOverrideFeed(150), kOk);
    EXPECT_EQ(automatic->SetOverrideSpeed(150), kOk);
    EXPECT_EQ(automatic->SetOverrideRapid(0), kOk);
    for (auto hr : {automatic->SetOverrideFeed(151), automatic->SetOverrideFeed(-1), automatic->SetOverrideSpeed(49),
                    automatic->SetOverrideSpeed(151), automatic->SetOverrideRapid(101),
                    automatic->SetOverrideRapid(-1)})
        EXPECT_EQ(hr, kOutOfBounds);
    EXPECT_EQ(read(), (std::vector<std::int64_t>{150, 150, 0})) << "a refused value changes nothing";
    EXPECT_EQ(automatic->GetOverrideInfo(nullptr, nullptr, nullptr), kPointer);
}

TEST_F(ProgramRunnerTest, FaultsAndTheLinkApplyToProgramCalls) {
    sim().faults().failNext("SelectProgram", 1, kFail);
    EXPECT_EQ(automatic->SelectProgram(0, kDemo, Variant()), kFail);
    EXPECT_EQ(status(), DNC_PRG_STS_NOT_SELECTED) << "a failed call changes nothing";
    sim().loseLink("cnc");
    std::int32_t value = 0;
    EXPECT_EQ(automatic->GetProgramStatus(&value), kConnectionLost);
    EXPECT_EQ(automatic->SetOverrideFeed(50), kConnectionLost);
    sim().restoreLink("cnc");
    ASSERT_EQ(machine->Disconnect(), kOk);
    EXPECT_EQ(automatic->GetDncMode(&value), kNotConnected);
}

// A TOOL CALL block puts its tool into the spindle when the block starts; the
// tool that was there takes the pocket that the called tool left.
TEST_F(ProgramRunnerTest, ToolCallsChangeTheToolInTheSpindle) {
    const auto pockets = [&] {
        Variant spindle, first;
        sim().controller("cnc")->data()->read("\\TABLE\\TOOL_P\\P\\0\\TNAME", &spindle);
        sim().controller("cnc")->data()->read("\\TABLE\\TOOL_P\\P\\1\\TNAME", &first);
        return spindle.text() + " " + first.text();
    };
    ASSERT_EQ(automatic->StartProgram(kDrill), kOk);  // 1 TOOL CALL 2 Z S2000
    clock.advance(999ms);
    EXPECT_EQ(status(), DNC_PRG_STS_RUNNING);
    EXPECT_EQ(pockets(), "MILL_D10 DRILL_D6") << "block 1 has not started";
    clock.advance(1ms);
    EXPECT_EQ(status(), DNC_PRG_STS_RUNNING);
    EXPECT_EQ(pockets(), "DRILL_D6 MILL_D10");
    for (int run = 0; run < 2; ++run) {  // 3 TOOL CALL 1 Z S3000
        clock.advance(1min);
        ASSERT_EQ(automatic->StartProgram(kDemo), kOk);
    }
    clock.advance(1min);
    EXPECT_EQ(status(), DNC_PRG_STS_FINISHED);
    EXPECT_EQ(pockets(), "MILL_D10 DRILL_D6");
    EXPECT_EQ(events(), (std::vector<std::string>{"status 8", "program 0 " + kDrill, "status 0", "tool 0 1 2",
                                                  "status 2", "status 8", "program 0 " + kDemo, "status 0",
                                                  "tool 0 2 1", "status 2", "status 0", "status 2"}))
        << "calling the tool in the spindle changes nothing";
}

// Controls created while the test clock runs, so that every time is known.
class ClockedTest : public SimulatorTest {
protected:
    testsupport::FakeClock clock;
};

TEST_F(ClockedTest, ProgramsFinishWhenTheirBlocksHaveRunAndRunningTimesFollow) {
    auto machine = connectedMachine("cnc");
    auto automatic = interfaceOf<IJHAutomatic>(machine, DNC_INTERFACE_JHAUTOMATIC);
    auto times = interfaceOf<IJHProcessData>(machine, DNC_INTERFACE_JHPROCESSDATA);
    auto minutes = [&](HRESULT (IJHProcessData::*get)(Variant*, Variant*)) {
        Variant hours, mins;
        EXPECT_EQ(((*times).*get)(&hours, &mins), kOk);
        return hours.signedValue() * 60 + mins.signedValue();
    };
    const std::int64_t runningBefore = 742 * 60 + 30;
    EXPECT_EQ(minutes(&IJHProcessData::GetNcUpTime), 0);
    EXPECT_EQ(minutes(&IJHProcessData::GetMachineUpTime), 1520 * 60);
    EXPECT_EQ(minutes(&IJHProcessData::GetMachineRunningTime), runningBefore);

    // demo.h has 12 blocks of a second each; started at block 0, stopped for
    // two minutes after 5 seconds, it ends 7 seconds after it resumed.
    ASSERT_EQ(automatic->StartProgram(kDemo), kOk);
    clock.advance(5s);
    ASSERT_EQ(automatic->StopProgram(0, VARIANT_FALSE), kOk);
    clock.advance(2min);
    ASSERT_EQ(automatic->StartProgram(""), kOk);
    clock.advance(6999ms);
    std::int32_t status = -1;
    ASSERT_EQ(automatic->GetProgramStatus(&status), kOk);
    EXPECT_EQ(status, DNC_PRG_STS_RUNNING);
    clock.advance(1ms);
    ASSERT_EQ(automatic->GetProgramStatus(&status), kOk);
    EXPECT_EQ(status, DNC_PRG_STS_FINISHED);

    // 48 seconds later the machine has run exactly 12 seconds more.
    clock.advance(48s);
    Variant hours, mins;
    ASSERT_EQ(times->GetSpindleRunningTime(0, &hours, &mins), kOk);
    EXPECT_EQ(hours.signedValue() * 60 + mins.signedValue(), 615 * 60 + 10) << "12 s are no full minute";
    EXPECT_EQ(minutes(&IJHProcessData::GetMachineRunningTime), runningBefore);
    EXPECT_EQ(minutes(&IJHProcessData::GetNcUpTime), 3);
    EXPECT_EQ(minutes(&IJHProcessData::GetMachineUpTime), 1520 * 60 + 3);
    ASSERT_EQ(automatic->StartProgram(""), kOk) << "a finished program starts again";
    clock.advance(2h + 5min);
    EXPECT_EQ(minutes(&IJHProcessData::GetNcUpTime), 2 * 60 + 8);
    EXPECT_EQ(minutes(&IJHProcessData::GetMachineRunningTime), runningBefore) << "24 s in all";

    ASSERT_EQ(times->GetSpindleRunningTime(1, &hours, &mins), kOk);
    EXPECT_EQ(hours.signedValue() * 60 + mins.signedValue(), 12 * 60 + 45) << "the second spindle stands";
    EXPECT_EQ(times->GetSpindleRunningTime(2, &hours, &mins), kInvalidAxis);
    EXPECT_EQ(times->GetNcUpTime(nullptr, &mins), kPointer);
    sim().faults().failNext("GetMachineUpTime", 1, kCommunicationFailure);
    EXPECT_EQ(times->GetMachineUpTime(&hours, &mins), kCommunicationFailure);
}

TEST(DemoPrograms, LiveInTheProgramDirectory) {
    ASSERT_FALSE(demoPrograms().empty());
    for (const auto& program : demoPrograms()) {
        EXPECT_TRUE(program.path.starts_with("TNC:\\nc_prog\\")) << program.path;
        EXPECT_EQ(findDemoProgram(program.path), &program);
    }
    EXPECT_EQ(findDemoProgram("TNC:\\nc_prog\\demo"), nullptr);
}

}  // namespace
}  // namespace dncsim::test
