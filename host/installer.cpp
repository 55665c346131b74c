#include "host/installer.h"

#include <algorithm>

#include "host/log_event.h"
#include "host/password.h"
#include "platform/command_runner.h"
#include "platform/hostname.h"

namespace heidenhain {
namespace {

// The prefix goes inside the double-quoted binPath of the create command, so
// its own double quotes must be escaped.
std::string escapeDoubleQuotes(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        if (c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

}  // namespace

std::string::size_type endOfProgramToken(const std::string& commandLine) {
    if (!commandLine.empty() && commandLine[0] == '"') {
        const auto closing = commandLine.find('"', 1);
        return closing == std::string::npos ? commandLine.size() : closing + 1;
    }
    const auto blank = commandLine.find_first_of(" \t");
    return blank == std::string::npos ? commandLine.size() : blank;
}

std::string brokerUri(const std::string& broker) {
    return broker.find("://") == std::string::npos ? "ssl://" + broker + ":8883" : broker;
}

std::string defaultAgentName(const std::string& hostName) { return "heidenhain-" + hostName; }

std::string serviceOptions(const std::string& domain, const std::string& agentName, const std::string& userName,
                           const std::string& password, const std::string& broker) {
    return "-d " + domain + " -a " + agentName + " -u " + userName + " -P " + password + " -b " + brokerUri(broker);
}

std::string serviceCommand(const char* arguments) { return serviceControlTool() + " " + arguments; }

std::string createServiceCommand(const std::string& programPrefix, const std::string& agentName,
                                 const std::string& userName, const std::string& password,
                                 const std::string& brokerHost) {
    return serviceControlTool() + " create \"Orvane Heidenhain Agent\" binPath= \"" + programPrefix + " " +
           serviceOptions(kServiceDomain, agentName, userName, password, brokerHost) + "\" start= auto";
}

std::string installerPrefix(const std::string& modulePath, const std::string& narrowCommandLine,
                            std::string::size_type servicePosition) {
    // Without a path from the system, the program as typed is what is known.
    if (modulePath.empty()) return escapeDoubleQuotes(narrowCommandLine.substr(0, servicePosition));
    const auto programEnd = std::min(endOfProgramToken(narrowCommandLine), narrowCommandLine.size());
    const auto argumentsEnd = std::max(programEnd, std::min(servicePosition, narrowCommandLine.size()));
    return escapeDoubleQuotes("\"" + modulePath + "\"" +
                              narrowCommandLine.substr(programEnd, argumentsEnd - programEnd));
}

void installService(const std::string& programPrefix, const std::string& brokerHost) {
    const std::string name = defaultAgentName(platform::localHostName(128));
    const std::string command = createServiceCommand(programPrefix, name, name, makePassword(), brokerHost);
    logEvent("Creating Service");
    platform::runCommand(command);
    logEvent("Configuring Service");
    platform::runCommand(serviceCommand(kFailureActionsArguments));
    platform::runCommand(serviceCommand(kDescriptionArguments));
    logEvent("Starting Service");
    platform::runCommand(serviceCommand(kStartServiceArguments));
}

void uninstallService() {
    logEvent("Stopping Service");
    platform::runCommand(serviceCommand(kStopServiceArguments));
    logEvent("Deleting Service");
    platform::runCommand(serviceCommand(kDeleteServiceArguments));
}

}  // namespace heidenhain
