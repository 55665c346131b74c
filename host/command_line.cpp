#include "host/command_line.h"

#include <iostream>
#include <stdexcept>
#include <vector>

#include "host/installer.h"
#include "host/log_event.h"
#include "host/options.h"
#include "host/service.h"
#include "host/service_layer.h"
#include "host/split_tokens.h"
#include "host/usage.h"
#include "platform/log.h"

namespace heidenhain {
namespace {

constexpr const char* kServiceSwitch = "/Service";
constexpr const char* kUninstallSwitch = "/UnregServer";

nolt::AgentOptions parseTokens(const std::vector<std::string>& tokens) {
    std::vector<const char*> argv;
    for (const auto& token : tokens) argv.push_back(token.c_str());
    return parseOptions(static_cast<int>(argv.size()), argv.data());
}

}  // namespace

std::string joinCommandLine(int argc, const char* const* argv) {
    std::string commandLine;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) commandLine += ' ';
        commandLine += argv[i];
    }
    return commandLine;
}

bool HeidenhainService::parseCommandLine(const std::string& commandLine, int& resultCode) {
    logEvent("%s", commandLine.c_str());

    const auto servicePosition = commandLine.find(kServiceSwitch);
    const bool hasServiceSwitch = servicePosition != std::string::npos;
    const bool uninstall = !hasServiceSwitch && commandLine.find(kUninstallSwitch) != std::string::npos;
    // With the service switch the first token is its word, the second the
    // broker host to install for.
    const auto tokens =
        splitTokens(hasServiceSwitch ? commandLine.substr(servicePosition + 1) : commandLine, " ");

    if (handleStandardSwitches(commandLine, resultCode)) {
        if (uninstall) {
            uninstallService();
            return false;
        }
        // Only "/Service" names a broker host; without it the second token is
        // the layer's own switch, such as "/RegServer", and is no host. Either
        // way the layer has done its work and no agent runs.
        if (tokens.size() >= 2) {
            // The service runs the program found here, whatever was typed.
            if (hasServiceSwitch) {
                installService(installerPrefix(modulePath(), commandLine, servicePosition), tokens[1]);
            }
            return false;
        }
    }

    try {
        options = parseTokens(tokens);
        if (options.help) {
            std::cout << usageText() << std::flush;
            return false;
        }
        if (options.domain.empty() || options.agent.empty())
            throw std::runtime_error(
                "Bad parameters, expecting \"domain\" and \"agent\" to be defined.");
        agent = agentFactory(nolt::AgentOptions(options));
        if (agent) return true;
    } catch (const std::exception& e) {
        platform::logInformation(std::string("Bad commandline: ") + e.what());
    }
    logEvent("Bad commandline provided");
    return false;
}

}  // namespace heidenhain
