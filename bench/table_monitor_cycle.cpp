// How long one table monitor cycle takes on a simulated iTNC whose tool table
// has many rows, and how long the comparison with the previous cycle takes
// on its own; then many sessions whose monitors watch such a table at their
// interval, and the processor time that costs. Prints figures; never fails.
//   table_monitor_cycle [sessions, default 200] [rows, default 1000] [cycles, default 3] [interval s, default 5]
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "agent/event_loop.h"
#include "dncsim/controller.h"
#include "dncsim/sdk.h"
#include "dncsim/simulator.h"
#include "dncsim/table_model.h"
#include "heidenhain/session/dncshim.h"
#include "heidenhain/tables/monitor_schedule.h"
#include "platform/eventlog.h"

namespace {

// The cycles' log lines are not what is measured.
class Discard : public platform::EventSink {
public:
    void write(const std::string&, int, const std::string&) override {}
};

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void fillToolTable(int rows, const std::string& host = "bench.sim") {
    auto controller = dncsim::Simulator::instance().controller(host);
    auto& tree = *controller->data();
    const auto& schema = dncsim::tableSchemas(controller->family()).front();
    for (int id = 10; id < 10 + rows; ++id) {
        const std::string key = std::to_string(id);
        dncsim::insertRow(tree, schema, key);
        tree.write(schema.rowsPath() + "\\" + key + "\\NAME", dnc::Variant("TOOL_" + key), true);
    }
}

template <class Work>
double medianMs(int runs, Work&& work) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(millisecondsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double processCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Sessions whose monitor threads run as in the agent; the simulated
// controls are in this process, so their table reads count too.
void monitorAtScale(int sessions, int rows, int cycles, int intervalSeconds) {
    std::vector<std::unique_ptr<heidenhain::DncShim>> watching;
    for (int i = 0; i < sessions; ++i) {
        const std::string host = "watch" + std::to_string(i) + ".sim";
        watching.push_back(std::make_unique<heidenhain::DncShim>("w" + std::to_string(i)));
        watching.back()->monitor().setTableMonitorInterval(intervalSeconds);
        watching.back()->connection().connect(host, "itnc530");
        fillToolTable(rows, host);
    }
    // Monitors start once all are connected: a connect starved of the
    // processor by the other monitors would end the process (the agent's
    // answer to a hung SDK).
    std::atomic<int> reported{0};
    heidenhain::setTableMonitorAutostart(true);
    for (auto& session : watching) {
        session->monitor().onToolTableChanged([&](const std::string&, const heidenhain::TableRow&, const heidenhain::TableRow&) { ++reported; });
    }
    // The first cycles remember the tables.
    std::this_thread::sleep_for(std::chrono::seconds(2 * intervalSeconds));
    const double cpuStart = processCpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(cycles * intervalSeconds));
    const double perCycle = (processCpuSeconds() - cpuStart) / cycles;
    std::printf("%d sessions watching %d tool rows every %d s: %.1f ms processor time per cycle of all, "
                "%.2f%% of one core (table reads of the simulated controls included)\n",
                sessions, rows, intervalSeconds, perCycle * 1000, perCycle * 100 / intervalSeconds);
    for (auto& session : watching) session->connection().disconnect();
}

}  // namespace

int main(int argc, char** argv) {
    const int sessions = argc > 1 ? std::atoi(argv[1]) : 200;
    const int scaleRows = argc > 2 ? std::atoi(argv[2]) : 1000;
    const int cycles = argc > 3 ? std::atoi(argv[3]) : 3;
    const int interval = argc > 4 ? std::atoi(argv[4]) : 5;
    platform::setEventSink(std::make_shared<Discard>());
    dncsim::installSimulatedSdk();
    heidenhain::setTableMonitorAutostart(false);
    const auto workDir = std::filesystem::temp_directory_path() / "nolt-bench-monitor";
    std::filesystem::create_directories(workDir);
    std::filesystem::current_path(workDir);
    auto& loop = nolt::EventLoop::instance();
    std::thread agent([&] { loop.run(); });

    std::printf("%8s %14s %14s %14s\n", "rows", "cycle ms p50", "compare ms p50", "free ms p50");
    int filled = 0;
    for (int rows : {100, 1000, 5000, 10000}) {
        heidenhain::DncShim session("bench");
        session.connection().connect("bench.sim", "itnc530");
        fillToolTable(rows - filled);
        filled = rows;
        session.monitor().oneMonitorToolTableCall();  // the first cycle only remembers
        const double cycle = medianMs(5, [&] { session.monitor().oneMonitorToolTableCall(); });
        auto table = session.tables().getToolTable();
        table.back()["NAME"] = "CHANGED";
        // Each comparison takes its rows over, as the monitor's cycle does,
        // and hands back the previous ones, which the cycle then frees.
        std::vector<std::vector<heidenhain::TableRow>> copies(5, table), replaced;
        const double compare = medianMs(5, [&] {
            replaced.push_back(session.monitor().notifyIfToolTableChanged(std::move(copies.back())));
            copies.pop_back();
        });
        const double release = medianMs(5, [&] { replaced.pop_back(); });
        std::printf("%8d %14.2f %14.3f %14.3f\n", rows, cycle, compare, release);
        session.connection().disconnect();
    }
    monitorAtScale(sessions, scaleRows, cycles, interval);
    loop.stop();
    agent.join();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(workDir);
    return 0;
}
