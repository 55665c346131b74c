// Request/reply round trips through one broker: a raw echo responder against
// the agent answering a no-op member function, with 1 and with 8 requests
// outstanding. Prints p50/p99 and the agent-to-raw ratios. Then the built
// agent executable answering isConnected (no SDK call) of a session, and the
// Windows agent under Wine beside it when NOLT_BENCH_WINDOWS_AGENT names its
// command ("wine64 .../heidenhain-agent.exe", test component registered).
// NOLT_TEST_BROKER=rabbitmq runs it all through a private RabbitMQ node.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include <mqtt/async_client.h>
#include <nlohmann/json.hpp>

#include "agent/local_factory.h"
#include "platform/broker_socket.h"
#include "tests/support/agent_process.h"
#include "tests/support/test_broker.h"
#include "tests/support/in_process_agent.h"
#include "tests/support/mqtt_test_client.h"

using Clock = std::chrono::steady_clock;
using nlohmann::json;

namespace {

class Noop {
public:
    explicit Noop(const std::string&) {}
    void noop() {}
};

void setNoDelay(const std::string& uri) { platform::setTcpNoDelay(platform::lookUpBroker(uri)); }

// Answers every request on its topic by publishing it back to "sender".
class RawEcho : public virtual mqtt::callback {
public:
    RawEcho(const std::string& uri, const std::string& topic) : client_(uri, "bench-echo") {
        client_.set_callback(*this);
        client_.connect()->wait();
        setNoDelay(uri);
        client_.subscribe(topic, 1)->wait();
    }
    ~RawEcho() override { client_.disconnect()->wait(); }
    void message_arrived(mqtt::const_message_ptr message) override {
        auto request = json::parse(message->get_payload_str());
        client_.publish(request["sender"].get<std::string>(), message->get_payload_str(), 1, false);
    }

private:
    mqtt::async_client client_;
};

// Sends requests with a fixed number outstanding and records each round trip.
class Requester : public virtual mqtt::callback {
public:
    explicit Requester(const std::string& uri) : client_(uri, "bench-requester") {
        client_.set_callback(*this);
        client_.connect()->wait();
        setNoDelay(uri);
        client_.subscribe(replyTopic_, 1)->wait();
    }
    ~Requester() override { client_.disconnect()->wait(); }

    std::vector<double> run(const std::string& topic, int total, int outstanding) {
        std::vector<std::string> first;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            topic_ = topic;
            latencies_.clear();
            sent_ = 0;
            remaining_ = total;
            total_ = total;
            for (int i = 0; i < outstanding && sent_ < total_; ++i) first.push_back(nextRequestLocked());
        }
        for (const auto& request : first) client_.publish(topic, request, 1, false);
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait_for(lock, std::chrono::seconds(120), [&] { return remaining_ == 0; });
        return latencies_;
    }

    void message_arrived(mqtt::const_message_ptr message) override {
        const auto now = Clock::now();
        auto reply = json::parse(message->get_payload_str());
        std::string next;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto found = started_.find(reply["id"].get<int>());
            if (found == started_.end()) return;
            latencies_.push_back(std::chrono::duration<double, std::milli>(now - found->second).count());
            started_.erase(found);
            if (sent_ < total_) next = nextRequestLocked();
            if (--remaining_ == 0) done_.notify_all();
        }
        // Published without our lock: the MQTT library holds its own while it
        // delivers, and the main thread publishes too.
        if (!next.empty()) client_.publish(topic_, next, 1, false);
    }

private:
    std::string nextRequestLocked() {
        const int id = nextId_++;
        json request = {{"sender", replyTopic_}, {"id", id}, {"data", json::object()}};
        started_[id] = Clock::now();
        ++sent_;
        return request.dump();
    }

    mqtt::async_client client_;
    const std::string replyTopic_ = "bench/requester/reply";
    std::mutex mutex_;
    std::condition_variable done_;
    std::map<int, Clock::time_point> started_;
    std::vector<double> latencies_;
    std::string topic_;
    int nextId_ = 1, sent_ = 0, remaining_ = 0, total_ = 0;
};

double percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    auto index = static_cast<std::size_t>(p * (values.size() - 1));
    return values[index];
}

struct Figures {
    double p50, p99;
};

Figures measure(Requester& requester, const std::string& topic, int total, int outstanding) {
    requester.run(topic, 200, outstanding);  // warm-up
    auto latencies = requester.run(topic, total, outstanding);
    return {percentile(latencies, 0.5), percentile(latencies, 0.99)};
}

}  // namespace

int main() {
    auto& factory = nolt::LocalFactory::instance();
    factory.registerClass<Noop, std::string>("Noop");
    factory.registerMember("Noop", "noop", &Noop::noop);

    testsupport::TestBroker broker;
    testsupport::InProcessAgent agent(broker.uri(), "bench", "agent");
    testsupport::MqttTestClient setup("bench-setup");
    setup.connect(broker.uri());
    setup.subscribe(agent.topic("Noop/__classInfo__"));
    setup.waitForMessageOn(agent.topic("Noop/__classInfo__"), std::chrono::seconds(10));
    const std::string id =
        setup.call(agent.topic("Noop/__static__/__create__"), {{"data", {{"_1", "n"}}}})["data"]["r"];

    RawEcho echo(broker.uri(), "bench/echo");
    Requester requester(broker.uri());
    const int total = 3000;
    std::printf("%-28s %10s %10s\n", "round trip (ms)", "p50", "p99");
    Figures raw[2], viaAgent[2];
    const int outstanding[2] = {1, 8};
    for (int i = 0; i < 2; ++i) {
        raw[i] = measure(requester, "bench/echo", total, outstanding[i]);
        viaAgent[i] = measure(requester, agent.topic("Noop/" + id + "/noop"), total, outstanding[i]);
        std::printf("raw echo,  %d outstanding      %10.3f %10.3f\n", outstanding[i], raw[i].p50, raw[i].p99);
        std::printf("agent,     %d outstanding      %10.3f %10.3f\n", outstanding[i], viaAgent[i].p50, viaAgent[i].p99);
    }
    for (int i = 0; i < 2; ++i) {
        std::printf("ratio agent/raw, %d outstanding: p50 %.2f, p99 %.2f\n", outstanding[i],
                    viaAgent[i].p50 / raw[i].p50, viaAgent[i].p99 / raw[i].p99);
    }
    agent.stop();

    std::printf("\n%-28s %10s %10s\n", "isConnected round trip (ms)", "p50", "p99");
    std::vector<std::pair<std::string, std::string>> executables{{"Linux agent", ""}};
    if (const char* windows = std::getenv("NOLT_BENCH_WINDOWS_AGENT")) {
        executables.emplace_back("Windows agent", windows);
    }
    for (const auto& [name, command] : executables) {
        if (command.empty()) {
            unsetenv("NOLT_TEST_AGENT_COMMAND");
        } else {
            setenv("NOLT_TEST_AGENT_COMMAND", command.c_str(), 1);
        }
        testsupport::AgentProcess process({"-d", "bench", "-a", "exe", "-b", broker.uri()});
        setup.subscribe("bench/exe/DncShim/__classInfo__");
        if (!setup.waitForMessageOn("bench/exe/DncShim/__classInfo__", std::chrono::seconds(30))) {
            std::fprintf(stderr, "%s did not start:\n%s\n", name.c_str(), process.standardOutput().c_str());
            return 1;
        }
        // The class info may come before the agent's subscriptions are in place.
        std::string session;
        for (int attempt = 0; session.empty() && attempt < 5; ++attempt) {
            try {
                const auto reply = setup.call("bench/exe/DncShim/__static__/__create__", {{"data", {{"_1", "bench"}}}});
                session = reply["data"]["r"];
            } catch (const std::runtime_error&) {
            }
        }
        for (int i = 0; i < 2; ++i) {
            const std::string topic = "bench/exe/DncShim/" + session + "/isConnected";
            const auto figures = measure(requester, topic, total, outstanding[i]);
            std::printf("%-13s %d outstanding  %10.3f %10.3f\n", name.c_str(), outstanding[i], figures.p50,
                        figures.p99);
        }
        setup.unsubscribe("bench/exe/DncShim/__classInfo__");
        setup.clearMessages();
        process.signal(SIGTERM);
        process.waitForExit(std::chrono::seconds(15));
    }
    return 0;
}
