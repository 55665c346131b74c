// The table monitor: interval, the comparison of each cycle's rows with the
// previous cycle's, and the schedule that a connect and a registration start.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <future>
#include <thread>
#include <tuple>

#include "dncsim/simulator.h"
#include "tests/support/fake_clock.h"
#include "tests/support/wait_for.h"
#include "tests/unit/heidenhain/session_fixture.h"

namespace heidenhain {
namespace {

using namespace std::chrono_literals;
using Change = std::tuple<std::string, TableRow, TableRow>;

dncsim::Simulator& sim() { return dncsim::Simulator::instance(); }

class TableMonitorTest : public SessionTest {
protected:
    DncShim& connected(const std::string& controllerType) {
        auto& mill = session();
        mill.connection().connect("a.test", controllerType);
        return mill;
    }
    void watchTools(DncShim& mill) {
        mill.monitor().onToolTableChanged([this](std::string id, TableRow now, TableRow before) {
            tools.push({id, now, before});
        });
    }
    void watchPockets(DncShim& mill) {
        mill.monitor().onPocketTableChanged([this](std::string id, TableRow now, TableRow before) {
            pockets.push({id, now, before});
        });
    }

    testsupport::EventQueue<Change> tools, pockets;
};

TEST_F(TableMonitorTest, IntervalInSecondsRefusesNonPositiveAndSaturates) {
    auto& mill = session();
    EXPECT_EQ(mill.monitor().getTableMonitorInterval(), 5);
    mill.monitor().setTableMonitorInterval(2);
    EXPECT_EQ(mill.monitor().getTableMonitorInterval(), 2);
    for (int bad : {0, -1}) {
        EXPECT_THAT([&] { mill.monitor().setTableMonitorInterval(bad); },
                    testing::ThrowsMessage<std::runtime_error>("Value must be greater than zero"));
    }
    EXPECT_EQ(mill.monitor().getTableMonitorInterval(), 2);
    // Stored in milliseconds: a huge value must not wrap into a negative interval.
    mill.monitor().setTableMonitorInterval(std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(mill.monitor().getTableMonitorInterval(), std::numeric_limits<std::int32_t>::max() / 1000);
}

TEST_F(TableMonitorTest, ToolRowsAddedChangedAndRemovedAreReportedAfterTheFirstCycle) {
    auto& mill = connected("tnc640");
    watchTools(mill);
    const TableRow spindle{{"T", "0"}, {"NAME", "NULL"}}, drill{{"T", "5"}, {"NAME", "DRILL"}};
    mill.monitor().notifyIfToolTableChanged({spindle, drill});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(tools.size(), 0u) << "the first cycle only remembers";

    const TableRow renamed{{"T", "5"}, {"NAME", "DRILL2"}}, added{{"T", "12"}, {"NAME", "TAP"}};
    mill.monitor().notifyIfToolTableChanged({{{"T", "0"}, {"NAME", "OTHER"}}, renamed, added});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(tools.snapshot(), (std::vector<Change>{{"5", renamed, drill}, {"12", added, {{"T", "12"}}}}))
        << "the spindle's row T 0 is never reported as changed";
    EXPECT_EQ(times("notifyIfToolTableChanged", "mill: onToolTableChanged, toolId: 12"), 1u);

    mill.monitor().notifyIfToolTableChanged({});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(tools.size(), 2u) << "an empty read leaves the snapshot";
    mill.monitor().notifyIfToolTableChanged({renamed});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(tools.snapshot().size(), 4u);
    EXPECT_EQ(tools.snapshot()[2], (Change{"0", {{"T", "0"}}, {{"T", "0"}, {"NAME", "OTHER"}}}))
        << "a removed T 0 is reported";
    EXPECT_EQ(tools.snapshot()[3], (Change{"12", {{"T", "12"}}, added}));
}

TEST_F(TableMonitorTest, WithoutCallbacksToolChangesWriteNothingButPocketChangesAreLogged) {
    auto& mill = connected("tnc640");
    mill.monitor().notifyIfToolTableChanged({{{"T", "1"}, {"NAME", "A"}}});
    mill.monitor().notifyIfToolTableChanged({{{"T", "1"}, {"NAME", "B"}}});
    mill.monitor().notifyIfPocketTableChanged({{{"P", "1"}, {"T", "1"}}});
    mill.monitor().notifyIfPocketTableChanged({{{"P", "1"}, {"T", "2"}}});
    EXPECT_FALSE(logged("notifyIfToolTableChanged", "mill: onToolTableChanged, toolId: 1"));
    EXPECT_TRUE(loggedAs(platform::EventInformation, "notifyIfPocketTableChanged",
                         "mill: onPocketTableChanged, pocketId: 1"));
}

TEST_F(TableMonitorTest, SpindlePocketChangeIsAToolChangeOnTheOlderControls) {
    auto& mill = connected("itnc530");
    watchPockets(mill);
    testsupport::EventQueue<std::tuple<int, Tool, Tool, double>> changes;
    mill.programEvents().onToolChanged([&](std::int32_t channel, Tool out, Tool in, double time) {
        changes.push({channel, out, in, time});
    });
    const TableRow spindle{{"P", "0"}, {"T", "5"}}, pocket{{"P", "3"}, {"T", "7"}};
    mill.monitor().notifyIfPocketTableChanged({spindle, pocket});
    const TableRow emptied{{"P", "3"}, {"T", ""}}, added{{"P", "9"}, {"T", "4"}};
    mill.monitor().notifyIfPocketTableChanged({{{"P", "0"}, {"T", "7"}}, emptied, added});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(changes.snapshot(), (std::vector<std::tuple<int, Tool, Tool, double>>{
                                      {0, Tool{"5", "", ""}, Tool{"7", "", ""}, 0.0}}));
    EXPECT_TRUE(logged("notifyIfPocketTableChanged", "mill: active tool changed from 5 to 7"));
    EXPECT_EQ(pockets.snapshot(), (std::vector<Change>{{"3", emptied, pocket}, {"9", added, {}}}))
        << "no pocket event for the spindle; a new pocket's old row is empty";

    mill.monitor().notifyIfPocketTableChanged({{{"P", "0"}, {"T", "7"}}, emptied});
    ASSERT_TRUE(eventsHandled());
    EXPECT_EQ(pockets.snapshot().back(), (Change{"9", {{"P", "9"}}, added}));
}

// A TOOL CALL of a running program reaches the client once: on the
// table-interface controls as the monitor's spindle change, on the others as
// the automatic sink's event with the control's time stamp.
TEST_F(TableMonitorTest, OneToolChangeIsOneEvent) {
    using ToolChange = std::tuple<int, Tool, Tool, bool>;
    const std::pair<std::string, ToolChange> cases[] = {
        {"itnc530", {0, {"1", "", ""}, {"2", "", ""}, false}},
        {"tnc640", {0, {"1", "-1", "0"}, {"2", "-1", "0"}, true}},
    };
    testsupport::FakeClock clock;
    for (const auto& [type, expected] : cases) {
        auto& mill = session(type);
        testsupport::EventQueue<ToolChange> changes;
        mill.programEvents().onToolChanged([&](std::int32_t channel, Tool out, Tool in, double time) {
            changes.push({channel, out, in, time > 0.0});
        });
        mill.connection().connect(type + ".test", type);
        if (type == "tnc640") mill.data().setAccessMode("sys", "sim");
        mill.monitor().oneMonitorToolTableCall();
        mill.program().startProgram("TNC:\\nc_prog\\drill.h");  // 1 TOOL CALL 2 Z S2000
        clock.advance(3s);  // past the tool call and the pocket table's cache
        EXPECT_EQ(mill.program().getProgramStatus(), "running");
        ASSERT_TRUE(sim().drainEvents());
        mill.monitor().oneMonitorToolTableCall();
        ASSERT_TRUE(eventsHandled());
        EXPECT_EQ(changes.snapshot(), std::vector<ToolChange>{expected}) << type;
        mill.connection().disconnect();
    }
}

TEST_F(TableMonitorTest, DataAccessControlWithoutAccessModeIsSkippedUntilDisconnect) {
    setTableMonitorAutostart(true);
    auto& mill = connected("tnc640");
    const std::string skipped = "mill: oneMonitorToolTableCall: called without AccessMode (passwords) set, ignoring";
    ASSERT_TRUE(testsupport::waitFor([&] { return logged("oneMonitorToolTableCall", skipped); }, 5s));
    mill.monitor().oneMonitorToolTableCall();
    mill.monitor().oneMonitorToolTableCall();
    EXPECT_EQ(times("oneMonitorToolTableCall", skipped), 1u) << "once per connect";
    mill.connection().disconnect();  // joins the monitor
}

TEST_F(TableMonitorTest, ProgramStatusIsPolledOnTheITncAndALostLinkEndsTheMonitor) {
    setTableMonitorAutostart(true);
    testsupport::EventQueue<std::string> statuses;
    testsupport::EventQueue<std::tuple<std::string, std::string, std::string>> programs;
    auto& mill = session();
    mill.programEvents().onProgramStatusChanged([&](std::string status) { statuses.push(status); });
    mill.programEvents().onNcProgramChanged([&](std::string status, std::string dir, std::string name) {
        programs.push({status, dir, name});
    });
    mill.monitor().setTableMonitorInterval(1);
    mill.connection().connect("a.test", "itnc530");
    ASSERT_TRUE(statuses.waitPop(5s)) << "the first poll reports the status";
    ASSERT_TRUE(programs.waitPop(5s));

    sim().faults().failNext("GetProgramStatus", 1, dnc::kCommunicationFailure);
    ASSERT_TRUE(testsupport::waitFor([&] { return !mill.connection().isConnected(); }, 5s));
    EXPECT_TRUE(loggedAs(platform::EventWarning, "oneMonitorToolTableCall",
                         "mill: Connection to CNC lost (0x80040262)."));
    mill.connection().disconnect();
}

TEST_F(TableMonitorTest, ARegistrationWhileDisconnectedEndsAtOnceAndConnectStartsAnother) {
    setTableMonitorAutostart(true);
    auto& mill = session();
    watchTools(mill);  // starts a monitor that finds the session disconnected and ends
    watchPockets(mill);
    mill.connection().connect("a.test", "tnc640");
    const std::string skipped = "mill: oneMonitorToolTableCall: called without AccessMode (passwords) set, ignoring";
    EXPECT_TRUE(testsupport::waitFor([&] { return logged("oneMonitorToolTableCall", skipped); }, 5s));
    mill.connection().disconnect();
}

}  // namespace
}  // namespace heidenhain

namespace heidenhain {
namespace {

// The schedule on a session's queue: a cycle at once and then every
// interval, a changed interval taking effect in the running wait, start
// replacing a running cycle and stop waiting for one.
TEST_F(SessionTest, MonitorScheduleRunsCyclesOnTheQueueUntilStopped) {
    auto queue = nolt::SerialQueue::create([] { return nolt::SteadyDuration(5s); });
    std::atomic<std::chrono::milliseconds::rep> interval{3600 * 1000};
    MonitorSchedule monitor(queue, [&] { return std::chrono::milliseconds(interval.load()); });
    std::atomic<int> cycles{0}, running{0};
    const auto counting = [&] { return ++cycles, true; };
    EXPECT_FALSE(monitor.held());
    monitor.start(counting);
    ASSERT_TRUE(testsupport::waitFor([&] { return cycles == 1; }, 5s));
    interval = 1;
    monitor.intervalChanged();
    ASSERT_TRUE(testsupport::waitFor([&] { return cycles >= 3; }, 5s));
    monitor.stop();
    const int stoppedAt = cycles;
    std::promise<void> drained;
    queue->post([&] { drained.set_value(); });
    drained.get_future().wait();
    EXPECT_EQ(cycles, stoppedAt);
    EXPECT_FALSE(monitor.held());

    monitor.start([&] {
        ++running;
        while (!monitor.stopping()) std::this_thread::yield();
        --running;
        return true;
    });
    ASSERT_TRUE(testsupport::waitFor([&] { return running == 1; }, 5s));
    monitor.start([&] { return ++cycles, false; });  // stops the running cycle first
    EXPECT_EQ(running, 0);
    ASSERT_TRUE(testsupport::waitFor([&] { return cycles == stoppedAt + 1; }, 5s));
    EXPECT_TRUE(monitor.held()) << "a monitor that ended by itself is held until stopped";
}

}  // namespace
}  // namespace heidenhain
