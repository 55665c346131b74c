// Floods the built agent with malformed and hostile requests on every topic
// family it listens on (static and instance topics of each class, client
// info topics), in rounds, then checks that it still runs, never lost its
// broker connection and answers. After each round the named instances are
// deleted and the senders announce themselves offline (which deletes their
// anonymous instances); the anonymous instances of senders that have no
// client info topic (not three levels) are deleted by the ids their creates
// answered. Each round prints its time, the resident memory after that
// clean-up, the thread count, the machine sessions left and how many
// anonymous instances were deleted by id.
//
//   hostile_requests [count per round [rounds [agent executable]]]
#include <algorithm>
#include <csignal>
#include <cstdio>
#include <deque>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include <mqtt/async_client.h>
#include <nlohmann/json.hpp>

#include "agent/topic_rules.h"
#include "bench/process_status.h"
#include "bench/rpc_client.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"
#include "tests/support/mqtt_test_client.h"

using nlohmann::json;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

const std::string kPrefix = "fuzz/agent/";
// Requests sent between two calls that wait for the agent; well under the
// broker's queue limit for the agent (20,000).
constexpr std::size_t kPace = 5000;

class Generator {
public:
    Generator(std::vector<std::string> shimFunctions, std::string instance)
        : shim_(std::move(shimFunctions)), instance_(std::move(instance)) {}

    // One hostile message: its topic and payload.
    std::pair<std::string, std::string> next() {
        const std::string topic = pickTopic();
        std::string text = payload(topic);
        if (topic.ends_with("/__create__")) noteCreator(text);
        return {topic, std::move(text)};
    }

    // The senders of the creates since the last call: the clients that may
    // hold anonymous instances now, also those whose name a flipped byte or
    // a hostile sender made.
    std::set<std::string> takeCreators() { return std::exchange(creators_, {}); }

    // The sender of the create just made when no client info can announce it
    // offline: its anonymous instances stay until deleted by id.
    std::optional<std::string> takeUnannounced() { return std::exchange(unannounced_, std::nullopt); }

private:
    std::size_t below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_); }
    template <class T>
    const T& pick(const std::vector<T>& items) { return items[below(items.size())]; }

    std::string pickTopic() {
        static const std::vector<std::string> factories = {"__create__", "__createNamed__", "__getNamed__", "__delete__"};
        switch (below(5)) {
            case 0: return kPrefix + "DncShim/__static__/" + pick(factories);
            case 1: return kPrefix + "DncSimulator/__static__/" + pick(factories);
            case 2: return "fuzz/c/" + std::to_string(below(8)) + "/__clientInfo__";
            default: return kPrefix + "DncShim/" + instance_ + "/" + pick(shim_);
        }
    }

    // Read the way the agent reads it; a payload it cannot parse creates nothing.
    void noteCreator(const std::string& text) {
        if (text.find(std::string(257, '[')) != std::string::npos) return;  // refused unparsed: too deep
        const json request = json::parse(text, nullptr, false);
        if (!request.is_object()) return;
        const auto sender = request.find("sender");
        if (sender == request.end() || !sender->is_string()) return;
        const std::string& name = sender->get_ref<const std::string&>();
        // The agent answers no sender that cannot be a topic or is its own, and creates nothing for it.
        if (nolt::topicNameProblem(name) || name.starts_with(kPrefix)) return;
        creators_.insert(name);
        // Only a three-level client id has a client info topic (four levels).
        if (std::count(name.begin(), name.end(), '/') != 2) unannounced_ = name;
    }

    std::string text(std::size_t maxLength) {
        std::string s(below(maxLength + 1), ' ');
        for (auto& c : s) c = static_cast<char>(below(256));
        return s;
    }

    // Senders and names that no topic may carry, or that point back at the agent.
    std::string hostileTopic() {
        static const std::vector<std::string> bad = {"", "+", "#", "a/+/b", "a/#", "a\nb", std::string("a\0b", 3),
                                                     "\xef\xbf\xbf", "\xef\xb7\x90", "\x7f", "/", "__static__",
                                                     "DncShim", kPrefix + "DncShim/__static__/__create__"};
        switch (below(4)) {
            case 0: return "r/victim" + std::string(65536, 'X');
            case 1: return kPrefix + "DncShim/" + instance_ + "/" + pick(shim_);
            default: return pick(bad);
        }
    }

    json anyValue(int depth = 0) {
        switch (below(depth > 3 ? 6 : 8)) {
            case 0: return nullptr;
            case 1: return below(2) == 1;
            case 2: return static_cast<std::int64_t>(random_());
            case 3: return std::uniform_real_distribution<double>(-1e300, 1e300)(random_);
            case 4: return hostileTopic();
            case 5:  // now and then a literal long enough to skip the JSON library's lexer
                return below(16) == 0 ? std::string(65536 + below(4096), "p/\"\\"[below(4)]) : std::string(below(4096), 'p');
            case 6: { json a = json::array(); for (auto n = below(4); n > 0; --n) a.push_back(anyValue(depth + 1)); return a; }
            default: { json o = json::object(); for (auto n = below(4); n > 0; --n) o["_" + std::to_string(below(4))] = anyValue(depth + 1); return o; }
        }
    }

    std::string payload(const std::string& topic) {
        const std::string sender = "fuzz/r/" + std::to_string(below(16));
        json request = {{"sender", below(8) == 0 ? anyValue() : json(sender)}, {"id", below(1000)}};
        json data = json::object();
        for (auto n = below(4); n > 0; --n) data["_" + std::to_string(below(3) + 1)] = anyValue();
        request["data"] = below(10) == 0 ? anyValue() : data;
        std::string valid = request.dump(-1, ' ', false, json::error_handler_t::replace);
        const std::string deep = std::string(1 + below(100000), '[');
        switch (below(topic.ends_with("__clientInfo__") ? 3 : 9)) {
            case 0: return text(300);                                  // noise
            case 1: return valid.substr(0, below(valid.size() + 1));   // cut short
            case 2: {                                                  // flipped bytes
                for (auto n = 1 + below(4); n > 0 && !valid.empty(); --n) valid[below(valid.size())] = static_cast<char>(below(256));
                return valid;
            }
            case 3: return "{\"sender\":\"" + sender + "\",\"data\":{\"_1\":" + deep + "}}";
            case 4: return deep;
            case 5: return json{{"sender", hostileTopic()}, {"data", data}}.dump(-1, ' ', false, json::error_handler_t::replace);
            case 6: return json{{"sender", sender}, {"data", {{"_1", hostileTopic()}, {"_2", "n"}}}}.dump(-1, ' ', false, json::error_handler_t::replace);
            case 7: return "{\"sender\":\"" + sender + "\",\"data\":{\"_1\":\"\xff\xfe\",\"_2\":1e400}}";
            default: return valid;
        }
    }

    std::optional<std::string> unannounced_;
    std::mt19937_64 random_{20261207};
    std::vector<std::string> shim_;
    std::string instance_;
    std::set<std::string> creators_;
};

std::vector<std::string> functionNames(const json& keys) {
    std::vector<std::string> names;
    for (const auto& key : keys) names.push_back(key.get<std::string>().substr(0, key.get<std::string>().find('-')));
    return names;
}


std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

// The sessions whose presence is retained now: the machine sessions alive.
class SessionCount {
public:
    explicit SessionCount(testsupport::MqttTestClient& probe) : probe_(probe) {
        probe_.subscribe(kPrefix + "DncShim/+/__machineInfo__");
    }
    std::size_t now() { return ids().size(); }
    std::set<std::string> ids() {
        for (const auto& message : probe_.messages()) {
            if (!message.topic.ends_with("/__machineInfo__")) continue;
            const auto level = message.topic.substr(0, message.topic.size() - std::string("/__machineInfo__").size());
            const auto id = level.substr(level.rfind('/') + 1);
            if (message.payload.empty()) {
                alive_.erase(id);
            } else {
                alive_.insert(id);
            }
        }
        probe_.clearMessages();
        return alive_;
    }

private:
    testsupport::MqttTestClient& probe_;
    std::set<std::string> alive_;
};

// Announces every client that created an instance offline, deletes every
// named instance the class infos list and every session still present, so
// that what stays is what the agent itself keeps. A client id that is not
// three levels has no client info topic: its sessions are deleted by id.
void cleanUp(testsupport::MqttTestClient& probe, const std::string& keep, const std::set<std::string>& creators,
             const std::vector<std::pair<std::string, std::string>>& unannounced, SessionCount& sessions) {
    for (const auto& [className, id] : unannounced) {
        try {
            probe.call(kPrefix + className + "/__static__/__delete__", {{"data", {{"_1", id}}}}, 30s);
        } catch (const std::exception&) {
            std::printf("no reply to the __delete__ of anonymous %s %s\n", className.c_str(), id.c_str());
        }
    }
    for (const auto& sender : creators) {
        probe.publish(sender + "/__clientInfo__", {{"status", "offline"}});
    }
    for (const auto& session : sessions.ids()) {
        if (session == keep) continue;
        try {
            probe.call(kPrefix + "DncShim/__static__/__delete__", {{"data", {{"_1", session}}}}, 30s);
        } catch (const std::exception&) {
            std::printf("no reply to the __delete__ of session %s\n", session.c_str());
        }
    }
    for (const char* className : {"DncShim", "DncSimulator"}) {
        probe.subscribe(kPrefix + className + "/__classInfo__");
        auto info = probe.waitForMessageOn(kPrefix + className + "/__classInfo__", 30s);
        probe.unsubscribe(kPrefix + className + "/__classInfo__");
        if (!info || !info->isJson()) continue;
        for (const auto& name : info->json.value("instances", json::array())) {
            if (!name.is_string() || name == keep) continue;
            try {
                probe.call(kPrefix + className + "/__static__/__delete__", {{"data", {{"_1", name}}}}, 30s);
            } catch (const std::exception&) {
                std::printf("no reply to the __delete__ of the %s named %.40s... (%zu bytes)\n", className,
                            name.get<std::string>().c_str(), name.get<std::string>().size());
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t perRound = argc > 1 ? std::stoul(argv[1]) : 50000;
    const std::size_t rounds = argc > 2 ? std::stoul(argv[2]) : 2;
    testsupport::MosquittoBroker broker("max_queued_messages 20000\n");
    testsupport::MqttTestClient probe("fuzz-probe");
    probe.connect(broker.uri());
    probe.subscribe(kPrefix + "DncShim/__classInfo__");
    probe.subscribe(kPrefix + "DncSimulator/__classInfo__");
    std::vector<std::string> arguments = {"-d", "fuzz", "-a", "agent", "-b", broker.uri()};
    testsupport::AgentProcess agent(arguments, argc > 3 ? argv[3] : NOLT_AGENT_EXECUTABLE);
    auto shimInfo = probe.waitForMessageOn(kPrefix + "DncShim/__classInfo__", 30s);
    auto simInfo = probe.waitForMessageOn(kPrefix + "DncSimulator/__classInfo__", 30s);
    if (!shimInfo || !simInfo) {
        std::printf("agent did not come up\n%s", agent.standardError().c_str());
        return 1;
    }
    probe.unsubscribe(kPrefix + "DncShim/__classInfo__");
    probe.unsubscribe(kPrefix + "DncSimulator/__classInfo__");
    const std::string id = probe.call(kPrefix + "DncShim/__static__/__create__", {{"data", {{"_1", "fuzz"}}}})["data"]["r"];
    probe.call(kPrefix + "DncShim/" + id + "/connect", {{"data", {{"_1", "fuzz.sim"}, {"_2", "tnc640"}}}}, 30s);
    Generator generator(functionNames(shimInfo->json["memberFunctions"]), id);
    SessionCount sessions(probe);

    mqtt::async_client sender(broker.uri(), "fuzz-sender", static_cast<mqtt::iclient_persistence*>(nullptr));
    std::atomic<std::size_t> replies{0};
    // Instances created for senders that cannot announce themselves offline,
    // learnt from the replies to their creates.
    std::mutex unannouncedMutex;
    std::vector<std::pair<std::string, std::string>> unannounced;
    std::set<std::string> watchedSenders;
    sender.set_message_callback([&](mqtt::const_message_ptr message) {
        ++replies;
        if (message->get_topic().starts_with("fuzz/r/")) return;
        const json reply = json::parse(message->get_payload_str(), nullptr, false);
        if (!reply.is_object() || reply.value("method", "") != "__create__" || !reply.contains("data") ||
            !reply["data"].is_object() || !reply["data"].contains("r") || !reply["data"]["r"].is_string())
            return;
        std::lock_guard<std::mutex> lock(unannouncedMutex);
        unannounced.emplace_back(reply.value("context", ""), reply["data"]["r"].get<std::string>());
    });
    sender.connect()->wait();
    sender.subscribe("fuzz/r/#", 0)->wait();

    const auto start = Clock::now();
    std::size_t bytes = 0;
    bool answered = true;
    std::printf("%5s %9s %8s %10s %8s %9s %8s\n", "round", "requests", "seconds", "RSS MB", "threads", "sessions",
                "by id");
    for (std::size_t round = 1; round <= rounds && answered && agent.running(); ++round) {
        const auto roundStart = Clock::now();
        std::deque<mqtt::delivery_token_ptr> inFlight;
        for (std::size_t i = 0; i < perRound; ++i) {
            auto [topic, payload] = generator.next();
            if (auto creator = generator.takeUnannounced(); creator && watchedSenders.insert(*creator).second) {
                // Ahead of the create on the same connection: in place before its reply.
                sender.subscribe(*creator, 1);
            }
            bytes += payload.size();
            try {
                inFlight.push_back(sender.publish(topic, payload.data(), payload.size(), 1, false));
            } catch (const mqtt::exception& e) {
                std::printf("sender failed after %zu messages: %s\n", i, e.what());
                return 1;
            }
            if (inFlight.size() >= 64) {  // the library buffers at most 100 publishes
                inFlight.front()->wait_for(30s);
                inFlight.pop_front();
            }
            // At the agent's pace: the broker drops what it holds for a client
            // beyond its queue limit, and a slow agent (under a sanitizer) would
            // otherwise be sent a fraction of the flood. The answer comes once
            // the agent has taken in the messages before it.
            if ((i + 1) % kPace == 0) {
                try {
                    probe.call(kPrefix + "DncShim/__static__/__getNamed__", {{"data", {{"_1", "pace"}}}}, 120s);
                } catch (const std::exception&) {
                }
            }
        }
        for (auto& token : inFlight) token->wait_for(30s);
        // Alive and answering once it has worked through the flood.
        // Asked again every 10 s: the broker drops messages for a client that
        // is more than its queue limit behind, and the agent may still be.
        json alive;
        for (int attempt = 0; attempt < 60 && alive.is_null(); ++attempt) {
            try {
                alive = probe.call(kPrefix + "DncShim/__static__/__getNamed__", {{"data", {{"_1", "alive"}}}}, 10s);
            } catch (const std::exception& e) {
                if (attempt == 59) std::printf("no answer after round %zu: %s\n", round, e.what());
            }
        }
        answered = alive.is_object() && alive["data"].is_object() &&
                   alive["data"].value("e", "") == "Instance with id: alive does not exist";
        const double seconds = std::chrono::duration<double>(Clock::now() - roundStart).count();
        std::vector<std::pair<std::string, std::string>> leftovers;
        {
            std::lock_guard<std::mutex> lock(unannouncedMutex);
            leftovers.swap(unannounced);
        }
        cleanUp(probe, id, generator.takeCreators(), leftovers, sessions);
        // The flood's calls to the kept session wait in its queue, up to the
        // lock wait limit: a call behind them answers once they are gone.
        // Then the workers the flood added leave after the pool's idle period
        // (10 s), and the agent's debounced release of freed memory runs.
        for (int attempt = 0; attempt < 6; ++attempt) {
            try {
                probe.call(kPrefix + "DncShim/" + id + "/getState", {{"data", json::object()}}, 10s);
                break;
            } catch (const std::exception&) {
            }
        }
        std::this_thread::sleep_for(12s);
        const auto figures = bench::processFigures(agent.pid());
        std::printf("%5zu %9zu %8.1f %10.1f %8d %9zu %8zu\n", round, perRound, seconds, figures.rssMb, figures.threads,
                    sessions.now(), leftovers.size());
        std::fflush(stdout);
    }
    const double totalSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    const bool running = agent.running();
    const auto errors = agent.standardError();
    std::printf("hostile requests sent      : %zu (%.1f MB) in %.1f s\n", perRound * rounds, bytes / 1e6, totalSeconds);
    std::printf("replies on fuzz senders    : %zu\n", replies.load());
    std::printf("requests dropped (logged)  : %zu\n", occurrences(errors, "Dropped a request"));
    std::printf("refused before parsing     : %zu\n", occurrences(errors, "Request refused"));
    std::printf("agent broker connections   : %zu (1 = never cut off)\n", occurrences(broker.log(), " as nolta"));
    std::printf("agent peak / current RSS   : %ld / %ld kB\n", processStatusKb(agent.pid(), "VmHWM"), processStatusKb(agent.pid(), "VmRSS"));
    std::printf("agent running, answering   : %s, %s\n", running ? "yes" : "NO", answered ? "yes" : "NO");
    sender.disconnect()->wait();
    agent.signal(SIGTERM);
    const auto exit = agent.waitForExit(30s);
    std::printf("agent exit code            : %d\n", exit ? *exit : -1);
    return running && answered && exit && *exit == 0 ? 0 : 1;
}
