#include "client/watch.h"

#include <map>
#include <ostream>

#include "agent/topics.h"
#include "client/agent_directory.h"
#include "client/client_error.h"
#include "client/listings.h"
#include "client/remote_call.h"
#include "heidenhain/session/session_presence.h"

namespace nolt::client {
namespace {

constexpr const char* kMachineClass = "DncShim";

// Event registrations that take nothing but the callback.
std::vector<std::string> eventFunctions(const nlohmann::json& classInfo) {
    std::vector<std::string> names;
    for (const auto& key : classInfo.value("memberFunctions", nlohmann::json::array())) {
        if (!key.is_string()) continue;
        const std::string text = key.get<std::string>();
        const std::string name = functionName(text);
        if (name.size() > 2 && name.rfind("on", 0) == 0 && std::isupper(static_cast<unsigned char>(name[2])) &&
            text == name + "-string") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string field(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : "";
}

void printEvent(std::ostream& out, bool json, const std::string& instance, const nlohmann::json& event) {
    nlohmann::json arguments = nlohmann::json::array();
    const nlohmann::json data = event.value("data", nlohmann::json::object());
    for (const auto& [key, value] : data.items()) arguments.push_back(value);
    const std::string time = heidenhain::utcTimestampNow();
    const std::string name = field(event, "method");
    if (json) {
        out << nlohmann::json{{"arguments", arguments}, {"event", name}, {"instance", instance}, {"time", time}}.dump()
            << std::endl;
        return;
    }
    std::string line = time + " " + instance + " " + name;
    for (const auto& argument : arguments) line += " " + argument.dump();
    out << line << std::endl;
}

}  // namespace

int watchCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err) {
    expectWords(line, 1, 2, "watch AGENT [INSTANCE]");
    const AgentEntry agent = findOnlineAgent(link, line.words[0], line.broker.domain);
    const auto events = eventFunctions(findClass(link, agent, kMachineClass));
    auto machines = listMachines(link, agent);
    if (line.words.size() == 2) {
        std::erase_if(machines, [&](const nlohmann::json& machine) { return field(machine, "instance") != line.words[1]; });
        if (machines.empty()) throw ClientError("No machine " + line.words[1] + " on " + agent.prefix);
    }
    // Watching sessions of other clients are no machines to watch.
    std::erase_if(machines, [](const nlohmann::json& machine) { return field(machine, "session").rfind("watch ", 0) == 0; });

    std::map<std::string, std::string> watched;  // watching session id -> watched instance
    for (const auto& machine : machines) {
        const std::string instance = field(machine, "instance");
        if (!machine.value("connected", false)) {
            err << instance << " is not connected; not watched" << std::endl;
            continue;
        }
        const std::string id = resultOf(
            callRemote(link, agent, kMachineClass, kStaticLevel, "__create__", {{"_1", "watch " + instance}}));
        watched[id] = instance;
        for (const auto& event : events) {
            resultOf(callRemote(link, agent, kMachineClass, id, event, {{"_1", event}}));
        }
        resultOf(callRemote(link, agent, kMachineClass, id, "connect",
                            {{"_1", field(machine, "host")}, {"_2", field(machine, "controllerType")}}));
        err << "Watching " << instance << " (" << field(machine, "host") << ", " << field(machine, "controllerType")
            << ")" << std::endl;
    }
    if (watched.empty()) throw ClientError("Nothing to watch: no connected machine on " + agent.prefix);

    while (!link.interrupted()) {
        auto message = link.waitForReply(
            [&](const Received& received) {
                auto json = nlohmann::json::parse(received.payload, nullptr, false);
                return json.is_object() && watched.count(field(json, "context")) != 0 && json.contains("method");
            },
            std::chrono::hours(1));
        if (!message) continue;
        const auto event = nlohmann::json::parse(message->payload);
        // Replies to our own requests carry the ids of those requests, events the callback's.
        if (!event.contains("id") || event["id"] != event.value("method", "")) continue;
        printEvent(out, line.json, watched[field(event, "context")], event);
    }
    return 0;
}

}  // namespace nolt::client
