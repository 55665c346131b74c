#include "host/installer.h"

#include "host/log_event.h"
#include "host/password.h"
#include "platform/command_runner.h"
#include "platform/hostname.h"

namespace heidenhain {

std::string createServiceCommand(const std::string& programPrefix, const std::string& agentName,
                                 const std::string& userName, const std::string& password,
                                 const std::string& brokerHost) {
    return "sc.exe create \"Orvane Heidenhain Agent\" binPath= \"" + programPrefix +
           " -d edge.orvane" + " -a " + agentName + " -u " + userName + " -P " + password +
           " -b ssl://" + brokerHost + ":8883\" start= auto";
}

void installService(const std::string& programPrefix, const std::string& brokerHost) {
    const std::string name = "heidenhain-" + platform::localHostName(128);
    const std::string command =
        createServiceCommand(programPrefix, name, name, makePassword(), brokerHost);
    logEvent("Creating Service");
    platform::runCommand(command);
    logEvent("Configuring Service");
    platform::runCommand(kFailureActionsCommand);
    platform::runCommand(kDescriptionCommand);
    logEvent("Starting Service");
    platform::runCommand(kStartServiceCommand);
}

void uninstallService() {
    logEvent("Stopping Service");
    platform::runCommand(kStopServiceCommand);
    logEvent("Deleting Service");
    platform::runCommand(kDeleteServiceCommand);
}

}  // namespace heidenhain
