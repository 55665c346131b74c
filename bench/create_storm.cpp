// Session creates sent all at once, as a cell controller starting up would:
// 1,000 and then 5,000 "__create__" through the built agent, spread over
// clients of at most 1,000 each (the agent's limit per client). Prints how
// long until every one is answered and how many succeeded, then how long the
// agent takes to end on SIGTERM with another storm of 5,000 in flight.
//   create_storm [first storm, default 1000] [second, default 5000]
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "bench/rpc_client.h"
#include "tests/support/agent_process.h"
#include "tests/support/broker.h"

using bench::json;
using bench::RpcClient;

namespace {

const std::string kCreate = "bench/agent/DncShim/__static__/__create__";
const std::string kDelete = "bench/agent/DncShim/__static__/__delete__";
constexpr int kPerClient = 1000;

struct Storm {
    std::atomic<int> created{0}, refused{0};
    std::mutex mutex;
    std::vector<std::string> ids;
};

// Sends `count` creates over the clients, unpaced.
void send(std::vector<std::unique_ptr<RpcClient>>& clients, int count, Storm& storm) {
    for (int i = 0; i < count; ++i) {
        clients[static_cast<std::size_t>(i / kPerClient)]->send(kCreate, {{"_1", "s" + std::to_string(i)}},
                                                                [&storm](const json& reply, double) {
                                                                    if (reply["data"].contains("r")) {
                                                                        std::lock_guard<std::mutex> lock(storm.mutex);
                                                                        storm.ids.push_back(reply["data"]["r"]);
                                                                        ++storm.created;
                                                                    } else {
                                                                        ++storm.refused;
                                                                    }
                                                                });
    }
}

bool waitAnswered(Storm& storm, int count, std::chrono::seconds bound) {
    const auto end = bench::Clock::now() + bound;
    while (storm.created + storm.refused < count) {
        if (bench::Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void deleteAll(RpcClient& client, Storm& storm) {
    std::atomic<int> left{static_cast<int>(storm.ids.size())};
    for (const auto& id : storm.ids) client.send(kDelete, {{"_1", id}}, [&](const json&, double) { --left; });
    const auto end = bench::Clock::now() + std::chrono::seconds(120);
    while (left > 0 && bench::Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

std::vector<std::unique_ptr<RpcClient>> makeClients(const std::string& uri, int count, const std::string& tag) {
    std::vector<std::unique_ptr<RpcClient>> clients;
    for (int k = 0; k * kPerClient < count; ++k)
        clients.push_back(std::make_unique<RpcClient>(uri, tag + std::to_string(k)));
    return clients;
}

}  // namespace

int main(int argc, char** argv) {
    const int sizes[] = {argc > 1 ? std::atoi(argv[1]) : 1000, argc > 2 ? std::atoi(argv[2]) : 5000};
    // Mosquitto drops what it holds for a client beyond 1,000 messages by
    // default; a plant that sends storms raises that, and so does this test
    // of the agent.
    testsupport::MosquittoBroker broker("max_queued_messages 20000\n");
    testsupport::AgentProcess agent({"-d", "bench", "-a", "agent", "-b", broker.uri()});
    if (!agent.waitForOutput("[OK]", std::chrono::seconds(30))) {
        std::fprintf(stderr, "the agent did not connect:\n%s\n", agent.standardOutput().c_str());
        return 1;
    }
    RpcClient cleaner(broker.uri(), "cleaner");
    int failed = 0;
    for (const int size : sizes) {
        auto clients = makeClients(broker.uri(), size, "c" + std::to_string(size) + "-");
        Storm storm;
        const auto start = bench::Clock::now();
        send(clients, size, storm);
        const double sent = std::chrono::duration<double>(bench::Clock::now() - start).count();
        const bool all = waitAnswered(storm, size, std::chrono::seconds(300));
        const double answered = std::chrono::duration<double>(bench::Clock::now() - start).count();
        const auto figures = bench::processFigures(agent.pid());
        std::printf("%5d creates: sent in %.2f s, %s in %.2f s, %d created, %d refused; agent %d threads, %.1f MB\n",
                    size, sent, all ? "all answered" : "NOT all answered", answered, storm.created.load(),
                    storm.refused.load(), figures.threads, figures.rssMb);
        if (!all) ++failed;
        const auto deleteStart = bench::Clock::now();
        deleteAll(cleaner, storm);
        std::printf("      deleted again in %.2f s\n",
                    std::chrono::duration<double>(bench::Clock::now() - deleteStart).count());
    }
    // SIGTERM while a storm is in flight: the agent must end within its bounds.
    auto clients = makeClients(broker.uri(), sizes[1], "term-");
    Storm storm;
    send(clients, sizes[1], storm);
    const auto stop = bench::Clock::now();
    agent.signal(SIGTERM);
    const auto code = agent.waitForExit(std::chrono::seconds(120));
    std::printf("SIGTERM with %d creates in flight (%d answered by then): %s after %.2f s\n", sizes[1],
                storm.created + storm.refused, code ? ("exit code " + std::to_string(*code)).c_str() : "still running",
                std::chrono::duration<double>(bench::Clock::now() - stop).count());
    return failed == 0 && code ? 0 : 1;
}
