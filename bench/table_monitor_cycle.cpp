// How long one table monitor cycle takes on a simulated iTNC whose tool table
// has many rows, and how long the comparison with the previous cycle takes
// on its own. Prints figures; never fails.
#include <algorithm>
#include <chrono>
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
#include "heidenhain/dncshim.h"
#include "heidenhain/monitor_thread.h"
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

void fillToolTable(int rows) {
    auto controller = dncsim::Simulator::instance().controller("bench.sim");
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

}  // namespace

int main() {
    platform::setEventSink(std::make_shared<Discard>());
    dncsim::installSimulatedSdk();
    heidenhain::setTableMonitorAutostart(false);
    const auto workDir = std::filesystem::temp_directory_path() / "nolt-bench-monitor";
    std::filesystem::create_directories(workDir);
    std::filesystem::current_path(workDir);
    auto& loop = nolt::EventLoop::instance();
    std::thread agent([&] { loop.run(); });

    std::printf("%8s %14s %14s\n", "rows", "cycle ms p50", "compare ms p50");
    int filled = 0;
    for (int rows : {100, 1000, 5000}) {
        heidenhain::DncShim session("bench");
        session.connect("bench.sim", "itnc530");
        fillToolTable(rows - filled);
        filled = rows;
        session.oneMonitorToolTableCall();  // the first cycle only remembers
        const double cycle = medianMs(5, [&] { session.oneMonitorToolTableCall(); });
        auto table = session.getToolTable();
        table.back()["NAME"] = "CHANGED";
        const double compare = medianMs(5, [&] { session.notifyIfToolTableChanged(table); });
        std::printf("%8d %14.2f %14.3f\n", rows, cycle, compare);
        session.disconnect();
    }
    loop.stop();
    agent.join();
    std::filesystem::current_path(std::filesystem::temp_directory_path());
    std::filesystem::remove_all(workDir);
    return 0;
}
