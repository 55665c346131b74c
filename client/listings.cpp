#include "client/listings.h"

#include <algorithm>
#include <ostream>

#include "agent/topics.h"
#include "client/agent_directory.h"
#include "client/call_arguments.h"
#include "client/client_error.h"

namespace nolt::client {
namespace {

std::string orDash(const std::string& text) { return text.empty() ? "-" : text; }

std::string joined(const nlohmann::json& names) {
    std::vector<std::string> sorted;
    for (const auto& name : names) {
        if (name.is_string()) sorted.push_back(name.get<std::string>());
    }
    std::sort(sorted.begin(), sorted.end());
    std::string text;
    for (const auto& name : sorted) text += (text.empty() ? "" : ", ") + name;
    return text;
}

std::vector<std::string> sortedKeys(const nlohmann::json& info, const char* member) {
    std::vector<std::string> keys;
    for (const auto& key : info.value(member, nlohmann::json::array())) {
        if (key.is_string()) keys.push_back(key.get<std::string>());
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

nlohmann::json describedFunctions(const std::vector<std::string>& keys) {
    nlohmann::json functions = nlohmann::json::array();
    for (const auto& key : keys) {
        functions.push_back({{"key", key}, {"name", functionName(key)}, {"parameters", parameterTypes(key)}});
    }
    return functions;
}

std::string text(const nlohmann::json& object, const char* key) {
    auto it = object.find(key);
    return it != object.end() && it->is_string() ? it->get<std::string>() : "";
}

}  // namespace

void expectWords(const ClientCommandLine& line, std::size_t least, std::size_t most, const char* usage) {
    if (line.words.size() < least || line.words.size() > most) throw ClientError(std::string("Usage: ") + usage);
}

void printColumns(std::ostream& out, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - row[i].size() + 2, ' ');
        }
        out << line << "\n";
    }
}

void listAgentsCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out) {
    expectWords(line, 0, 0, "agents [-d DOMAIN]");
    const auto agents = listAgents(link, line.broker.domain);
    if (line.json) {
        nlohmann::json list = nlohmann::json::array();
        for (const auto& agent : agents) {
            list.push_back({{"agent", agent.prefix}, {"hostname", agent.hostname}, {"status", agent.status}});
        }
        out << list.dump() << "\n";
        return;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& agent : agents) rows.push_back({agent.prefix, orDash(agent.status), orDash(agent.hostname)});
    printColumns(out, rows);
}

void listClassesCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out) {
    expectWords(line, 1, 1, "classes AGENT");
    const auto classes = listClasses(link, findAgent(link, line.words[0], line.broker.domain));
    if (line.json) {
        out << nlohmann::json(classes).dump() << "\n";
        return;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& info : classes) {
        rows.push_back({text(info, "className"),
                        std::to_string(info.value("memberFunctions", nlohmann::json::array()).size()) + " functions",
                        "named instances: " + orDash(joined(info.value("instances", nlohmann::json::array())))});
    }
    printColumns(out, rows);
}

void listFunctionsCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out) {
    expectWords(line, 2, 2, "functions AGENT CLASS");
    const auto info = findClass(link, findAgent(link, line.words[0], line.broker.domain), line.words[1]);
    const auto staticKeys = sortedKeys(info, "staticFunctions");
    const auto memberKeys = sortedKeys(info, "memberFunctions");
    if (line.json) {
        out << nlohmann::json{{"className", text(info, "className")},
                              {"memberFunctions", describedFunctions(memberKeys)},
                              {"staticFunctions", describedFunctions(staticKeys)}}
                   .dump()
            << "\n";
        return;
    }
    for (const auto& key : staticKeys) out << "__static__ " << readableFunction(key) << "\n";
    for (const auto& key : memberKeys) out << readableFunction(key) << "\n";
}

void listMachinesCommand(BrokerLink& link, const ClientCommandLine& line, std::ostream& out, std::ostream& err) {
    expectWords(line, 1, 1, "machines AGENT");
    const AgentEntry agent = findAgent(link, line.words[0], line.broker.domain);
    const auto machines = listMachines(link, agent);
    if (agent.status != "online") err << "Agent " << agent.prefix << " is " << orDash(agent.status) << "\n";
    if (line.json) {
        out << nlohmann::json(machines).dump() << "\n";
        return;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& machine : machines) {
        rows.push_back({orDash(text(machine, "instance")), orDash(text(machine, "host")),
                        orDash(text(machine, "controllerType")), orDash(text(machine, "state")),
                        orDash(text(machine, "programStatus")), "since " + orDash(text(machine, "since"))});
    }
    printColumns(out, rows);
}

}  // namespace nolt::client
