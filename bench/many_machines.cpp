// The agent executable at shop-floor scale: many sessions created and
// connected to simulated controls by several clients at once, then cheap
// state reads from all clients, then every session deleted. Prints the times,
// the call rate and round trips, the agent's memory, threads and CPU.
//   many_machines [sessions, default 1000] [seconds of calls, default 30] [clients, default 8]
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/rpc_client.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"

using bench::json;
using bench::RpcClient;

namespace {

const std::string kPrefix = "bench/agent/DncShim/";

double secondsSince(bench::Clock::time_point start) {
    return std::chrono::duration<double>(bench::Clock::now() - start).count();
}

// Runs work(client, index) for every index of [from, to), spread over the clients.
void spread(std::vector<std::unique_ptr<RpcClient>>& clients, int from, int to,
            const std::function<void(RpcClient&, int)>& work) {
    std::vector<std::thread> threads;
    for (std::size_t k = 0; k < clients.size(); ++k) {
        threads.emplace_back([&, k] {
            for (int i = from + static_cast<int>(k); i < to; i += static_cast<int>(clients.size())) work(*clients[k], i);
        });
    }
    for (auto& thread : threads) thread.join();
}

// Waits until the agent has no more threads than the given number (workers
// started for a burst leave after their idle period), within a bound.
bench::ProcessFigures settled(pid_t pid, int threads, int boundSeconds) {
    const auto end = bench::Clock::now() + std::chrono::seconds(boundSeconds);
    auto figures = bench::processFigures(pid);
    while (figures.threads > threads && bench::Clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        figures = bench::processFigures(pid);
    }
    return figures;
}

}  // namespace

int main(int argc, char** argv) {
    const int sessions = argc > 1 ? std::atoi(argv[1]) : 1000;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    const int clientCount = argc > 3 ? std::atoi(argv[3]) : 8;
    testsupport::MosquittoBroker broker;
    testsupport::AgentProcess agent({"-d", "bench", "-a", "agent", "-b", broker.uri()});
    if (!agent.waitForOutput("[OK]", std::chrono::seconds(30))) {
        std::fprintf(stderr, "the agent did not connect:\n%s\n", agent.standardOutput().c_str());
        return 1;
    }
    std::vector<std::unique_ptr<RpcClient>> clients;
    for (int k = 0; k < clientCount; ++k) {
        clients.push_back(std::make_unique<RpcClient>(broker.uri(), "c" + std::to_string(k)));
    }
    std::vector<std::string> ids(static_cast<std::size_t>(sessions));
    std::atomic<int> failures{0};
    auto createAndConnect = [&](RpcClient& client, int i) {
        const std::string name = "s" + std::to_string(i);
        auto created = client.call(kPrefix + "__static__/__create__", {{"_1", name}});
        if (!created || !created->contains("r")) {
            ++failures;
            return;
        }
        ids[static_cast<std::size_t>(i)] = (*created)["r"];
        auto connected = client.call(kPrefix + ids[static_cast<std::size_t>(i)] + "/connect",
                                     {{"_1", name + ".sim"}, {"_2", "tnc640"}});
        if (!connected || connected->contains("e")) ++failures;
    };
    auto deleteAll = [&](RpcClient& client, int i) {
        auto deleted = client.call(kPrefix + "__static__/__delete__", {{"_1", ids[static_cast<std::size_t>(i)]}});
        if (!deleted || (*deleted)["r"] != true) ++failures;
    };

    // The simulated controls stand for the machines: they are made once, by a
    // first round, so that the figures below are the agent's own.
    const auto atStart = bench::processFigures(agent.pid());
    const int startThreads = atStart.threads;
    spread(clients, 0, sessions, createAndConnect);
    spread(clients, 0, sessions, deleteAll);
    const auto idle = settled(agent.pid(), startThreads, 20);

    const auto start = bench::Clock::now();
    const int first = std::min(200, sessions);
    spread(clients, 0, first, createAndConnect);
    const auto with200 = bench::processFigures(agent.pid());
    spread(clients, first, sessions, createAndConnect);
    const double connectSeconds = secondsSince(start);
    const auto connected = bench::processFigures(agent.pid());

    // What the connected sessions cost without a call (their table monitors).
    const int quietSeconds = 5;
    std::this_thread::sleep_for(std::chrono::seconds(quietSeconds));
    const auto quiet = bench::processFigures(agent.pid());
    const double backgroundPerSecond = (quiet.cpuSeconds - connected.cpuSeconds) / quietSeconds;

    std::vector<std::vector<double>> latencies(clients.size());
    std::atomic<int> lost{0}, errors{0};
    const auto callStart = bench::Clock::now();
    const auto callEnd = callStart + std::chrono::seconds(seconds);
    {
        std::vector<std::thread> threads;
        for (std::size_t k = 0; k < clients.size(); ++k) {
            threads.emplace_back([&, k] {
                for (int i = static_cast<int>(k); bench::Clock::now() < callEnd; i += static_cast<int>(clients.size())) {
                    double ms = 0;
                    auto reply = clients[k]->call(kPrefix + ids[static_cast<std::size_t>(i % sessions)] + "/getState",
                                                  json::object(), &ms, std::chrono::seconds(30));
                    if (!reply) {
                        ++lost;
                        continue;
                    }
                    if (!reply->contains("r")) ++errors;
                    latencies[k].push_back(ms);
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }
    const double callSeconds = secondsSince(callStart);
    const auto afterCalls = bench::processFigures(agent.pid());
    std::vector<double> all;
    for (const auto& part : latencies) all.insert(all.end(), part.begin(), part.end());

    spread(clients, 0, sessions, deleteAll);
    const auto deleted = settled(agent.pid(), idle.threads, 20);

    const double perSessionMb = (connected.rssMb - idle.rssMb) / sessions;
    std::printf("sessions %d, clients %d, calls for %.1f s\n", sessions, clientCount, callSeconds);
    std::printf("create+connect all: %.2f s (%.2f ms per session), failures %d\n", connectSeconds,
                connectSeconds * 1000 / sessions, failures.load());
    std::printf("state reads: %zu calls, %.0f calls/s, p50 %.3f ms, p99 %.3f ms, lost %d, errors %d\n", all.size(),
                static_cast<double>(all.size()) / callSeconds, bench::percentile(all, 0.5),
                bench::percentile(all, 0.99), lost.load(), errors.load());
    const double callCpu = afterCalls.cpuSeconds - quiet.cpuSeconds;
    std::printf("agent CPU with all connected and no calls: %.1f%% of one core\n", backgroundPerSecond * 100);
    std::printf("agent CPU per 1000 calls: %.1f ms, %.1f ms without that background\n",
                callCpu * 1e6 / std::max<double>(1, all.size()),
                (callCpu - backgroundPerSecond * callSeconds) * 1e6 / std::max<double>(1, all.size()));
    std::printf("agent RSS: at start %.1f MB, with the simulated controls made %.1f MB\n", atStart.rssMb, idle.rssMb);
    std::printf("agent RSS: idle %.1f MB, %d connected %.1f MB, %d connected %.1f MB, after deleting all %.1f MB (%+.1f%%)\n",
                idle.rssMb, first, with200.rssMb, sessions, connected.rssMb, deleted.rssMb,
                (deleted.rssMb - idle.rssMb) * 100 / idle.rssMb);
    std::printf("agent threads: idle %d, %d connected %d, after deleting all %d\n", idle.threads, sessions,
                connected.threads, deleted.threads);
    std::printf("per connected session: %.1f KB RSS, %.2f threads\n", perSessionMb * 1024,
                static_cast<double>(connected.threads - idle.threads) / sessions);
    agent.signal(SIGTERM);
    agent.waitForExit(std::chrono::seconds(60));
    return 0;
}
