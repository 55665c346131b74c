#include "host/package_properties.h"

#include <array>
#include <cctype>
#include <stdexcept>
#include <vector>

#include "agent/tls_build.h"
#include "agent/topic_rules.h"
#include "host/installer.h"
#include "host/options.h"
#include "host/split_tokens.h"
#include "platform/broker_uri.h"

namespace heidenhain {
namespace {

struct PropertySwitch {
    const char* property;
    const char* name;
    std::string PackageProperties::*value;
};

constexpr std::array<PropertySwitch, 5> kSwitches{{{"DOMAIN", "-d", &PackageProperties::domain},
                                                   {"AGENT", "-a", &PackageProperties::agent},
                                                   {"USER", "-u", &PackageProperties::user},
                                                   {"PASSWORD", "-P", &PackageProperties::password},
                                                   {"BROKER", "-b", &PackageProperties::broker}}};

ServiceArguments refused(const std::string& why) { return {"", why}; }

// Where the program ends in a service's command line. Its path may stand
// unquoted although it has blanks (Wine's installer writes it so), so the
// agent's own file name ends it where it is found.
std::string::size_type endOfProgram(const std::string& commandLine) {
    std::string lower = commandLine;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string name = "heidenhain-agent.exe";
    auto end = lower.find(name);
    if (end == std::string::npos) return endOfProgramToken(commandLine);
    end += name.size();
    return end < commandLine.size() && commandLine[end] == '"' ? end + 1 : end;
}

bool isSwitch(const std::string& token) {
    for (const char* name : {"-d", "-b", "-u", "-P", "-a", "-t", "-p", "-w"})
        if (token == name) return true;
    return false;
}

// The agent reads the value after the last occurrence of a switch; a switch
// left without a value at the end would take the next switch as its value.
void setSwitch(std::vector<std::string>& tokens, const std::string& name, const std::string& value) {
    while (!tokens.empty() && isSwitch(tokens.back())) tokens.pop_back();
    for (auto i = tokens.size(); i-- > 1;) {
        if (tokens[i - 1] == name) {
            tokens[i] = value;
            return;
        }
    }
    tokens.push_back(name);
    tokens.push_back(value);
}

// Why the agent would not run with these arguments.
std::optional<std::string> runProblem(const std::vector<std::string>& tokens) {
    std::vector<const char*> argv{"heidenhain-agent"};
    for (const auto& token : tokens) argv.push_back(token.c_str());
    nolt::AgentOptions options;
    try {
        options = parseOptions(static_cast<int>(argv.size()), argv.data());
    } catch (const std::exception& error) {
        return std::string("The service's command line cannot be read: ") + error.what();
    }
    for (const auto& [property, text] : {std::pair{"DOMAIN", options.domain}, std::pair{"AGENT", options.agent}}) {
        if (text.empty()) return std::string(property) + " is empty on the service's command line";
        if (auto problem = nolt::topicLevelProblem(text))
            return std::string(property) + " \"" + text + "\" cannot be a topic level: " + *problem;
    }
    if (!platform::parseBrokerUri(options.broker))
        return "BROKER \"" + options.broker +
               "\" is not a broker the agent can connect to: give a host name (reached over TLS on port 8883) or "
               "a URI such as tcp://mqtt.plant.local:1883";
    return nolt::tlsUnavailable(options);
}

}  // namespace

ServiceArguments packageServiceArguments(const PackageProperties& given,
                                         const std::optional<std::string>& installedCommandLine,
                                         const std::string& hostName,
                                         const std::function<std::string()>& newPassword) {
    // The service's command line is split at blanks, quotes not honoured.
    for (const auto& entry : kSwitches) {
        const std::string& value = given.*entry.value;
        if (value.find_first_of(" \t\r\n\"") != std::string::npos)
            return refused(std::string(entry.property) + " \"" + value +
                           "\" cannot go on the service's command line, which is split at blanks: give it without "
                           "blanks or double quotes");
    }
    std::vector<std::string> tokens;
    if (installedCommandLine)
        tokens = splitTokens(installedCommandLine->substr(endOfProgram(*installedCommandLine)), " \t");
    if (tokens.empty()) {
        if (given.broker.empty())
            return refused("BROKER is missing: give the broker's host name or URI, for example "
                           "BROKER=mqtt.plant.local");
        const std::string name = defaultAgentName(hostName);
        tokens = splitTokens(serviceOptions(kServiceDomain, name, name,
                                            given.password.empty() ? newPassword() : given.password, given.broker),
                             " ");
    }
    for (const auto& entry : kSwitches) {
        const std::string& value = given.*entry.value;
        if (value.empty()) continue;
        setSwitch(tokens, entry.name, entry.value == &PackageProperties::broker ? brokerUri(value) : value);
    }
    if (auto problem = runProblem(tokens)) return refused(*problem);
    std::string arguments;
    for (const auto& token : tokens) arguments += (arguments.empty() ? "" : " ") + token;
    return {arguments, ""};
}

}  // namespace heidenhain
