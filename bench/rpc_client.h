#pragma once
// A lean remote-call client for the benchmarks: requests go out with an id,
// replies are matched by it and timed from publish to arrival. Calls may be
// waited for (call) or handed a completion (send), from any thread.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <unistd.h>
#include <vector>

#include <mqtt/async_client.h>
#include <nlohmann/json.hpp>

#include "platform/broker_socket.h"

namespace bench {

using Clock = std::chrono::steady_clock;
using nlohmann::json;

// Connects a benchmark's client with this object as its callback, Nagle
// off, and subscribes its reply topic.
inline void connectBenchClient(mqtt::async_client& client, mqtt::callback& callback, const std::string& uri,
                               const std::string& replyTopic) {
    client.set_callback(callback);
    mqtt::connect_options options;
    options.set_clean_session(true);
    options.set_keep_alive_interval(600);
    client.connect(options)->wait();
    platform::setTcpNoDelay(platform::lookUpBroker(uri));
    if (!replyTopic.empty()) client.subscribe(replyTopic, 1)->wait();
}

inline void disconnectBenchClient(mqtt::async_client& client) {
    try {
        client.disconnect()->wait_for(std::chrono::seconds(5));
    } catch (const mqtt::exception&) {
    }
}

class RpcClient : public virtual mqtt::callback {
public:
    // Reply with its round trip in milliseconds.
    using Done = std::function<void(const json& reply, double ms)>;

    RpcClient(const std::string& uri, const std::string& name)
        // Room for the storms of requests that the benchmarks send unpaced.
        : client_(uri, "bench-" + name + "-" + std::to_string(::getpid()), 1 << 20,
                  static_cast<mqtt::iclient_persistence*>(nullptr)),
          replyTopic_("bench/" + name + "/reply") {
        connectBenchClient(client_, *this, uri, replyTopic_);
    }
    ~RpcClient() override { disconnectBenchClient(client_); }

    void send(const std::string& topic, const json& data, Done done) {
        json request = {{"sender", replyTopic_}, {"data", data}};
        {
            std::lock_guard<std::mutex> lock(mutex_);
            const long id = nextId_++;
            request["id"] = id;
            pending_[id] = {Clock::now(), std::move(done)};
        }
        client_.publish(topic, request.dump(), 1, false);
    }

    // The reply's "data", or nothing when none came within the bound.
    std::optional<json> call(const std::string& topic, const json& data, double* ms = nullptr,
                             std::chrono::seconds bound = std::chrono::seconds(60)) {
        std::mutex m;
        std::condition_variable cv;
        std::optional<json> result;
        double took = 0;
        send(topic, data, [&](const json& reply, double t) {
            std::lock_guard<std::mutex> lock(m);
            result = reply["data"];
            took = t;
            cv.notify_all();
        });
        std::unique_lock<std::mutex> lock(m);
        cv.wait_for(lock, bound, [&] { return result.has_value(); });
        if (ms) *ms = took;
        return result;
    }

    void message_arrived(mqtt::const_message_ptr message) override {
        const auto now = Clock::now();
        auto reply = json::parse(message->get_payload_str(), nullptr, false);
        if (reply.is_discarded() || !reply.contains("id") || !reply["id"].is_number_integer()) return;
        Pending pending;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = pending_.find(reply["id"].get<long>());
            if (found == pending_.end()) return;
            pending = std::move(found->second);
            pending_.erase(found);
        }
        // Called without our lock: a completion may send the next request.
        pending.done(reply, std::chrono::duration<double, std::milli>(now - pending.start).count());
    }

private:
    struct Pending {
        Clock::time_point start;
        Done done;
    };
    mqtt::async_client client_;
    const std::string replyTopic_;
    std::mutex mutex_;
    long nextId_ = 1;
    std::map<long, Pending> pending_;
};

inline double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Resident set and thread count of a process, from /proc.
struct ProcessFigures {
    double rssMb = 0;
    int threads = 0;
    double cpuSeconds = 0;  // user + system
};

inline ProcessFigures processFigures(pid_t pid) {
    ProcessFigures figures;
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) figures.rssMb = std::stod(line.substr(6)) / 1024.0;
        if (line.rfind("Threads:", 0) == 0) figures.threads = std::stoi(line.substr(8));
    }
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields after the command name in parentheses: utime and stime are the 14th and 15th.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::vector<std::string> fields;
    std::string field;
    while (rest >> field) fields.push_back(field);
    if (fields.size() > 12) {
        const double ticks = static_cast<double>(::sysconf(_SC_CLK_TCK));
        figures.cpuSeconds = (std::stod(fields[11]) + std::stod(fields[12])) / ticks;
    }
    return figures;
}

}  // namespace bench
