// Big messages through the built agent against the same messages echoed raw
// through the same broker: a text echo (__getNamed__ carries its argument
// back), a part program sent to a simulated control (transmitFile) and
// fetched back (receiveFile), at 1, 10 and 50 MB. Prints the time ratio and
// the agent's peak resident memory above its start, as a multiple of the
// larger of request and reply (the echo's reply is twice its request,
// receiveFile's request a few bytes); medians of five round trips, the
// highest peak. Meanwhile another machine's getState is called in a loop; its
// round trips during the 50 MB transfers are set against quiet ones.
// NOLT_TEST_BROKER=rabbitmq runs it all through a private RabbitMQ node.
//
// With NOLT_BENCH_WINDOWS_AGENT ("wine64 .../heidenhain-agent.exe", its test
// component registered in the Wine prefix) the Windows agent runs beside the
// Linux one on the same broker, the two taking turns in every repeat, and
// their times are set side by side.
//
//   large_messages [largest megabytes, default 50]
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <mqtt/async_client.h>

#include "bench/process_status.h"
#include "bench/rpc_client.h"
#include "heidenhain/text/base64.h"
#include "tests/support/agent_process.h"
#include "tests/support/test_broker.h"

using bench::Clock;
using bench::json;
using namespace std::chrono_literals;

namespace {

constexpr int kRepeats = 5;

// A client that sends one prepared text and times the first message that
// arrives on its reply topic; nothing of the reply is parsed.
class BigClient : public virtual mqtt::callback {
public:
    BigClient(const std::string& uri, const std::string& name) : client_(uri, "big-" + name), reply_("big/" + name) {
        bench::connectBenchClient(client_, *this, uri, reply_);
    }
    ~BigClient() override { bench::disconnectBenchClient(client_); }
    const std::string& replyTopic() const { return reply_; }

    // Seconds from the publish to the reply's arrival; the reply is kept.
    std::optional<double> roundTrip(const std::string& topic, std::string text) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            replyText_.clear();
            replied_ = false;
        }
        const auto start = Clock::now();
        client_.publish(mqtt::make_message(topic, std::move(text), 1, false));
        std::unique_lock<std::mutex> lock(mutex_);
        if (!arrived_.wait_for(lock, 300s, [&] { return replied_; })) return std::nullopt;
        return std::chrono::duration<double>(at_ - start).count();
    }
    std::string takeReply() {
        std::lock_guard<std::mutex> lock(mutex_);
        return std::move(replyText_);
    }

    void message_arrived(mqtt::const_message_ptr message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        at_ = Clock::now();
        replyText_ = message->get_payload_str();
        replied_ = true;
        arrived_.notify_all();
    }

private:
    mqtt::async_client client_;
    std::string reply_;
    std::mutex mutex_;
    std::condition_variable arrived_;
    bool replied_ = false;
    Clock::time_point at_;
    std::string replyText_;
};

// Sends back everything it receives on "big/raw/echo" to "big/raw/reply".
class RawEcho : public virtual mqtt::callback {
public:
    explicit RawEcho(const std::string& uri) : client_(uri, "big-echo") {
        bench::connectBenchClient(client_, *this, uri, "big/raw/echo");
    }
    void message_arrived(mqtt::const_message_ptr message) override {
        client_.publish(mqtt::make_message("big/raw", message->get_payload_ref(), 1, false));
    }

private:
    mqtt::async_client client_;
};

// The agent's peak resident memory is reset before each case.
void resetPeak(pid_t pid) { std::ofstream("/proc/" + std::to_string(pid) + "/clear_refs") << "5"; }

// Another machine's getState, called in a loop on a thread of its own; its
// round trips are kept for the phase they fell in.
class Neighbour {
public:
    enum Phase { Quiet, Busy, RawBusy, Elsewhere };
    Neighbour(const std::string& uri, std::string topic)
        : client_(uri, "neighbour"), topic_(std::move(topic)), thread_([this] { loop(); }) {}
    ~Neighbour() {
        stop_ = true;
        thread_.join();
    }
    void setPhase(Phase phase) { phase_ = phase; }
    std::vector<double> times(Phase phase) {
        std::lock_guard<std::mutex> lock(mutex_);
        return times_[phase];
    }

private:
    void loop() {
        while (!stop_) {
            double ms = 0;
            const Phase phase = phase_;
            if (!client_.call(topic_, json::object(), &ms)) continue;
            std::lock_guard<std::mutex> lock(mutex_);
            // A call that spans a change of phase is kept in neither.
            if (phase == phase_) times_[phase].push_back(ms);
            std::this_thread::sleep_for(2ms);
        }
    }
    bench::RpcClient client_;
    std::string topic_;
    std::atomic<bool> stop_{false};
    std::atomic<Phase> phase_{Quiet};
    std::mutex mutex_;
    std::vector<double> times_[4];
    std::thread thread_;
};

std::string request(const std::string& sender, const json& data) {
    return json{{"sender", sender}, {"id", 1}, {"data", data}}.dump();
}

// One agent under measurement: the built one, or the Windows agent under Wine.
struct Agent {
    std::string name;
    std::unique_ptr<testsupport::AgentProcess> process;
    std::string prefix;            // "big/NAME/DncShim/"
    std::vector<std::string> ids;  // the sessions "mill" and "lathe"
};

// Starts the agent that `command` runs (empty: the built one) as agent NAME
// and connects its two sessions; null when that fails.
std::unique_ptr<Agent> startAgent(const std::string& name, const std::string& command,
                                  const testsupport::TestBroker& broker, bench::RpcClient& setup) {
    if (command.empty()) {
        unsetenv("NOLT_TEST_AGENT_COMMAND");
    } else {
        setenv("NOLT_TEST_AGENT_COMMAND", command.c_str(), 1);
    }
    auto agent = std::make_unique<Agent>();
    agent->name = name;
    agent->prefix = "big/" + name + "/DncShim/";
    agent->process = std::make_unique<testsupport::AgentProcess>(
        std::vector<std::string>{"-d", "big", "-a", name, "-b", broker.uri()});
    if (!agent->process->waitForOutput("[OK]", 30s)) {
        std::fprintf(stderr, "%s did not connect:\n%s\n", name.c_str(), agent->process->standardOutput().c_str());
        return nullptr;
    }
    for (const char* machine : {"mill", "lathe"}) {
        // "[OK]" comes before the agent's subscriptions are in place; under
        // Wine a first request may still find none.
        auto created = setup.call(agent->prefix + "__static__/__create__", {{"_1", machine}}, nullptr, 5s);
        for (int attempt = 0; !created && attempt < 5; ++attempt) {
            created = setup.call(agent->prefix + "__static__/__create__", {{"_1", machine}}, nullptr, 5s);
        }
        if (!created) {
            std::fprintf(stderr, "%s: no session created:\n%s\n", name.c_str(),
                         agent->process->standardOutput().c_str());
            return nullptr;
        }
        agent->ids.push_back((*created)["r"]);
        auto connected = setup.call(agent->prefix + agent->ids.back() + "/connect",
                                    {{"_1", std::string(machine) + ".sim"}, {"_2", "tnc640"}});
        if (!connected || connected->contains("e")) {
            std::fprintf(stderr, "%s: connect failed\n", name.c_str());
            return nullptr;
        }
    }
    return agent;
}

struct Figures {
    std::vector<double> times;
    double peakRatio = 0;
    std::size_t replySize = 0;
};

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::stoul(argv[1]) : 50;
    testsupport::TestBroker broker;
    bench::RpcClient setup(broker.uri(), "setup");
    std::vector<std::unique_ptr<Agent>> agents;
    agents.push_back(startAgent("linux", "", broker, setup));
    if (const char* windows = std::getenv("NOLT_BENCH_WINDOWS_AGENT")) {
        agents.push_back(startAgent("windows", windows, broker, setup));
    }
    for (const auto& agent : agents) {
        if (!agent) return 1;
    }
    BigClient client(broker.uri(), "client");
    BigClient raw(broker.uri(), "raw");
    RawEcho echo(broker.uri());
    Neighbour neighbour(broker.uri(), agents[0]->prefix + agents[0]->ids[1] + "/getState");
    std::this_thread::sleep_for(2s);  // quiet round trips of the neighbour
    neighbour.setPhase(Neighbour::Elsewhere);

    std::printf("%-13s %6s %10s", "case", "MB", "raw s");
    for (const auto& agent : agents) std::printf(" %9s s %7s %12s", agent->name.c_str(), "ratio", "peak/larger");
    std::printf("\n");
    for (std::size_t mb : {std::size_t{1}, std::size_t{10}, largest}) {
        // Requests of about `mb` MB: Base64 makes a program 4/3 longer.
        const std::string program((mb << 20) / 4 * 3 - 256, 'G');
        const std::string content = heidenhain::base64Encode(program);
        const std::string path = "TNC:\\big" + std::to_string(mb) + ".h";
        const std::string text((mb << 20) - 256, 'A');
        for (const char* name : {"echo", "transmitFile", "receiveFile"}) {
            const std::string step = name;
            // Raw, a message of the request's size; for receiveFile, of the program's.
            const std::size_t size = step == "receiveFile" ? content.size() : text.size();
            // Single round trips of 10 MB vary by half on a shared machine, and
            // by more where fresh memory is slow to come (a virtual machine):
            // the medians of five, raw and each agent taking turns.
            std::vector<double> rawTimes;
            std::vector<Figures> figures(agents.size());
            for (int repeat = 0; repeat < kRepeats; ++repeat) {
                if (mb == largest) neighbour.setPhase(Neighbour::RawBusy);
                if (const auto rawTime = raw.roundTrip("big/raw/echo", std::string(size, 'R'))) {
                    rawTimes.push_back(*rawTime);
                }
                neighbour.setPhase(Neighbour::Elsewhere);
                for (std::size_t i = 0; i < agents.size(); ++i) {
                    const Agent& agent = *agents[i];
                    const std::string topic = step == "echo" ? agent.prefix + "__static__/__getNamed__"
                                                             : agent.prefix + agent.ids[0] + "/" + step;
                    std::string message =
                        step == "echo"           ? request(client.replyTopic(), {{"_1", text}})
                        : step == "transmitFile" ? request(client.replyTopic(), {{"_1", content}, {"_2", path}})
                                                 : request(client.replyTopic(), {{"_1", path}});
                    const pid_t pid = agent.process->pid();
                    resetPeak(pid);
                    const long before = processStatusKb(pid, "VmRSS");
                    if (mb == largest && i == 0) neighbour.setPhase(Neighbour::Busy);
                    const auto agentTime = client.roundTrip(topic, std::move(message));
                    neighbour.setPhase(Neighbour::Elsewhere);
                    const long peak = processStatusKb(pid, "VmHWM");
                    const std::string reply = client.takeReply();
                    // The echo answers that no session has that name, and carries the name back.
                    if (!agentTime || (step != "echo" && reply.find("\"e\":") != std::string::npos)) {
                        std::fprintf(stderr, "%s %s %zu MB failed: %.200s\n", agent.name.c_str(), name, mb,
                                     reply.c_str());
                    }
                    if (agentTime) figures[i].times.push_back(*agentTime);
                    figures[i].replySize = reply.size();
                    figures[i].peakRatio = std::max(figures[i].peakRatio,
                                                    static_cast<double>(peak - before) * 1024 /
                                                        static_cast<double>(std::max(size, reply.size())));
                }
            }
            const double rawTime = bench::percentile(rawTimes, 0.5);
            std::printf("%-13s %6zu %10.3f", name, mb, rawTime);
            for (const auto& f : figures) {
                const double agentTime = bench::percentile(f.times, 0.5);
                std::printf(" %11.3f %7.2f %12.2f", agentTime, rawTime > 0 ? agentTime / rawTime : -1, f.peakRatio);
            }
            if (figures.size() == 2) {
                const double linuxTime = bench::percentile(figures[0].times, 0.5);
                const double windowsTime = bench::percentile(figures[1].times, 0.5);
                std::printf("   windows/linux %.2f", linuxTime > 0 ? windowsTime / linuxTime : -1);
            }
            std::printf("\n");
        }
    }
    // The same broker and machine moving the same bytes with no agent in the
    // way: the floor any agent could reach for the neighbour (a session of
    // the Linux agent, whose transfers count as busy).
    const std::pair<const char*, Neighbour::Phase> phases[] = {{"quiet", Neighbour::Quiet},
                                                              {"during agent transfers", Neighbour::Busy},
                                                              {"during raw echoes", Neighbour::RawBusy}};
    for (const auto& [phaseName, phase] : phases) {
        const auto times = neighbour.times(phase);
        std::printf("neighbour getState ms, %-22s p50 %6.2f p99 %7.2f max %7.2f (%zu calls)\n", phaseName,
                    bench::percentile(times, 0.5), bench::percentile(times, 0.99), bench::percentile(times, 1.0),
                    times.size());
    }
    return 0;
}
