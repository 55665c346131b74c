// Big messages through the built agent against the same messages echoed raw
// through the same broker: a text echo (__getNamed__ carries its argument
// back), a part program sent to a simulated control (transmitFile) and
// fetched back (receiveFile), at 1, 10 and 50 MB. Prints the time ratio and
// the agent's peak resident memory above its start, as a multiple of the
// larger of request and reply (the echo's reply is twice its request,
// receiveFile's request a few bytes); medians of five round trips, the
// highest peak. Meanwhile another machine's getState is called in a loop; its
// round trips during the 50 MB transfers are set against quiet ones.
//
// With NOLT_BENCH_WINDOWS_AGENT ("wine64 .../heidenhain-agent.exe", its test
// component registered in the Wine prefix) the same cases run against the
// Windows agent too, and the times of the two agents are set side by side.
//
//   large_messages [largest megabytes, default 50]
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <mqtt/async_client.h>

#include "bench/process_status.h"
#include "bench/rpc_client.h"
#include "heidenhain/base64.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"

using bench::Clock;
using bench::json;
using namespace std::chrono_literals;

namespace {

const std::string kPrefix = "big/agent/DncShim/";
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

// Median seconds of the agent per case and size.
using Times = std::map<std::pair<std::string, std::size_t>, double>;

// Every case against the agent that `command` runs (empty: the built one).
int runAgainst(const std::string& command, std::size_t largest, Times& times) {
    if (command.empty()) {
        unsetenv("NOLT_TEST_AGENT_COMMAND");
    } else {
        setenv("NOLT_TEST_AGENT_COMMAND", command.c_str(), 1);
    }
    testsupport::MosquittoBroker broker;
    testsupport::AgentProcess agent({"-d", "big", "-a", "agent", "-b", broker.uri()});
    if (!agent.waitForOutput("[OK]", 30s)) {
        std::fprintf(stderr, "the agent did not connect:\n%s\n", agent.standardOutput().c_str());
        return 1;
    }
    bench::RpcClient setup(broker.uri(), "setup");
    std::vector<std::string> ids;
    for (const char* name : {"mill", "lathe"}) {
        auto created = setup.call(kPrefix + "__static__/__create__", {{"_1", name}});
        ids.push_back((*created)["r"]);
        auto connected =
            setup.call(kPrefix + ids.back() + "/connect", {{"_1", std::string(name) + ".sim"}, {"_2", "tnc640"}});
        if (!connected || connected->contains("e")) {
            std::fprintf(stderr, "connect failed\n");
            return 1;
        }
    }
    BigClient client(broker.uri(), "client");
    BigClient raw(broker.uri(), "raw");
    RawEcho echo(broker.uri());
    Neighbour neighbour(broker.uri(), kPrefix + ids[1] + "/getState");
    std::this_thread::sleep_for(2s);  // quiet round trips of the neighbour
    neighbour.setPhase(Neighbour::Elsewhere);

    std::printf("%-13s %6s %10s %10s %7s %12s %10s\n", "case", "MB", "agent s", "raw s", "ratio", "peak/larger",
                "reply");
    for (std::size_t mb : {std::size_t{1}, std::size_t{10}, largest}) {
        // Requests of about `mb` MB: Base64 makes a program 4/3 longer.
        const std::string program((mb << 20) / 4 * 3 - 256, 'G');
        const std::string content = heidenhain::base64Encode(program);
        const std::string path = "TNC:\\big" + std::to_string(mb) + ".h";
        const std::string text((mb << 20) - 256, 'A');
        struct Step {
            const char* name;
            std::string topic, text;
        } steps[] = {
            {"echo", kPrefix + "__static__/__getNamed__", request(client.replyTopic(), {{"_1", text}})},
            {"transmitFile", kPrefix + ids[0] + "/transmitFile",
             request(client.replyTopic(), {{"_1", content}, {"_2", path}})},
            {"receiveFile", kPrefix + ids[0] + "/receiveFile", request(client.replyTopic(), {{"_1", path}})},
        };
        for (auto& step : steps) {
            // Raw, a message of the request's size; for receiveFile, of the program's.
            const std::size_t size = step.name == std::string("receiveFile") ? content.size() : step.text.size();
            // Single round trips of 10 MB vary by half on a shared machine, and
            // by more where fresh memory is slow to come (a virtual machine):
            // the medians of five, raw and agent taking turns.
            std::vector<double> rawTimes, agentTimes;
            double peakRatio = 0;
            std::string reply;
            for (int repeat = 0; repeat < kRepeats; ++repeat) {
                if (mb == largest) neighbour.setPhase(Neighbour::RawBusy);
                const auto rawTime = raw.roundTrip("big/raw/echo", std::string(size, 'R'));
                neighbour.setPhase(Neighbour::Elsewhere);
                std::string text = step.text;
                resetPeak(agent.pid());
                const long before = processStatusKb(agent.pid(), "VmRSS");
                if (mb == largest) neighbour.setPhase(Neighbour::Busy);
                const auto agentTime = client.roundTrip(step.topic, std::move(text));
                neighbour.setPhase(Neighbour::Elsewhere);
                const long peak = processStatusKb(agent.pid(), "VmHWM");
                reply = client.takeReply();
                // The echo answers that no session has that name, and carries the name back.
                const bool failed =
                    !agentTime || (step.name != std::string("echo") && reply.find("\"e\":") != std::string::npos);
                if (failed) std::fprintf(stderr, "%s %zu MB failed: %.200s\n", step.name, mb, reply.c_str());
                if (rawTime) rawTimes.push_back(*rawTime);
                if (agentTime) agentTimes.push_back(*agentTime);
                peakRatio = std::max(peakRatio, static_cast<double>(peak - before) * 1024 /
                                                    static_cast<double>(std::max(size, reply.size())));
            }
            const double agentTime = bench::percentile(agentTimes, 0.5), rawTime = bench::percentile(rawTimes, 0.5);
            times[{step.name, mb}] = agentTime;
            std::printf("%-13s %6zu %10.3f %10.3f %7.2f %12.2f %10zu\n", step.name, mb, agentTime, rawTime,
                        rawTime > 0 ? agentTime / rawTime : -1, peakRatio, reply.size());
        }
    }
    // The same broker and machine moving the same bytes with no agent in the
    // way: the floor any agent could reach for the neighbour.
    const std::pair<const char*, Neighbour::Phase> phases[] = {{"quiet", Neighbour::Quiet},
                                                              {"during agent transfers", Neighbour::Busy},
                                                              {"during raw echoes", Neighbour::RawBusy}};
    for (const auto& [name, phase] : phases) {
        const auto times = neighbour.times(phase);
        std::printf("neighbour getState ms, %-22s p50 %6.2f p99 %7.2f max %7.2f (%zu calls)\n", name,
                    bench::percentile(times, 0.5), bench::percentile(times, 0.99), bench::percentile(times, 1.0),
                    times.size());
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t largest = argc > 1 ? std::stoul(argv[1]) : 50;
    const char* windows = std::getenv("NOLT_BENCH_WINDOWS_AGENT");
    Times linuxTimes, windowsTimes;
    std::printf("The Linux agent\n");
    if (const int failed = runAgainst("", largest, linuxTimes)) return failed;
    if (!windows) return 0;
    std::printf("\nThe Windows agent (%s)\n", windows);
    if (const int failed = runAgainst(windows, largest, windowsTimes)) return failed;
    std::printf("\n%-13s %6s %10s %10s %9s\n", "case", "MB", "Linux s", "Windows s", "Win/Linux");
    for (const auto& [key, linuxTime] : linuxTimes) {
        const double windowsTime = windowsTimes.count(key) ? windowsTimes[key] : -1;
        std::printf("%-13s %6zu %10.3f %10.3f %9.2f\n", key.first.c_str(), key.second, linuxTime, windowsTime,
                    linuxTime > 0 ? windowsTime / linuxTime : -1);
    }
    return 0;
}
