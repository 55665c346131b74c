#include "client/command_line.h"

#include <cmath>

#include "client/client_error.h"
#include "host/options.h"

namespace nolt::client {
namespace {

AgentOptions parseAgentArguments(const std::vector<std::string>& arguments) {
    std::vector<const char*> argv{"client"};
    for (const auto& argument : arguments) argv.push_back(argument.c_str());
    return heidenhain::parseOptions(static_cast<int>(argv.size()), argv.data());
}

std::chrono::milliseconds parseTimeout(const std::string& text) {
    std::size_t used = 0;
    double seconds = 0;
    try {
        seconds = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !std::isfinite(seconds) || seconds <= 0 || seconds > 86400) {
        throw ClientError("--timeout wants a number of seconds above 0, not \"" + text + "\"");
    }
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

}  // namespace

// The agent's parser knows its switches; asked with and without a value
// after one argument, it tells whether that is one and what it takes.
AgentSwitch classifyAgentSwitch(const std::string& argument) {
    const AgentOptions defaults;
    if (parseAgentArguments({argument}) != defaults) return AgentSwitch::Flag;
    if (parseAgentArguments({argument, "\x01"}) != defaults) return AgentSwitch::WithValue;
    return AgentSwitch::None;
}

ClientCommandLine parseClientCommandLine(int argc, const char* const* argv) {
    ClientCommandLine line;
    std::vector<std::string> agentArguments;
    std::vector<std::string> words;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            words.push_back(argument);
        } else if (argument == "--") {
            optionsEnded = true;
        } else if (argument == "--json") {
            line.json = true;
        } else if (argument == "--help" || argument == "-h") {
            line.help = true;
        } else if (argument == "--timeout") {
            if (++i >= argc) throw ClientError("--timeout wants a number of seconds");
            line.timeout = parseTimeout(argv[i]);
        } else {
            const AgentSwitch kind = classifyAgentSwitch(argument);
            if (kind == AgentSwitch::None) throw ClientError("Unknown option: " + argument + " (see --help)");
            agentArguments.push_back(argument);
            if (kind == AgentSwitch::WithValue) {
                if (++i >= argc) throw ClientError(argument + " wants a value");
                agentArguments.push_back(argv[i]);
            }
        }
    }
    line.broker = parseAgentArguments(agentArguments);
    if (!words.empty()) {
        line.command = words.front();
        line.words.assign(words.begin() + 1, words.end());
    }
    return line;
}

}  // namespace nolt::client
