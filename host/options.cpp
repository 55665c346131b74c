#include "host/options.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

namespace heidenhain {
namespace {

struct Switch {
    const char* name;
    std::string nolt::AgentOptions::*field;
};

constexpr Switch kSwitches[] = {
    {"-d", &nolt::AgentOptions::domain},
    {"-b", &nolt::AgentOptions::broker},
    {"-u", &nolt::AgentOptions::username},
    {"-P", &nolt::AgentOptions::password},
    {"-a", &nolt::AgentOptions::agent},
    {"-t", &nolt::AgentOptions::token},
    {"-p", &nolt::AgentOptions::plugin},
    {"--cafile", &nolt::AgentOptions::trustStore},
    {"--cert", &nolt::AgentOptions::keyStore},
    {"--key", &nolt::AgentOptions::privateKey},
    {"--keypass", &nolt::AgentOptions::privateKeyPassword},
    {"--sparkplug", &nolt::AgentOptions::sparkplugGroup},
};

const Switch* findSwitch(const char* argument) {
    for (const auto& candidate : kSwitches) {
        if (std::strcmp(argument, candidate.name) == 0) return &candidate;
    }
    return nullptr;
}

// A whole number of workers; anything else is refused, so that a typing
// error does not silently leave the agent without spare workers.
std::uint32_t parseWorkerCount(const std::string& text) {
    const std::string error = "-w expects a number of workers from 0 to 65535, not \"" + text + "\"";
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        throw std::invalid_argument(error);
    const unsigned long value = std::stoul(text);
    if (value > std::numeric_limits<std::uint16_t>::max()) throw std::invalid_argument(error);
    return static_cast<std::uint32_t>(value);
}

// A whole decimal number of bytes, at least 1.
std::uint64_t byteCount(const char* switchName, const std::string& text) {
    std::size_t used = 0;
    unsigned long long value = 0;
    try {
        if (!text.empty() && text[0] != '-') value = std::stoull(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value == 0) {
        throw std::runtime_error(std::string(switchName) + " needs a number of bytes, not \"" + text + "\"");
    }
    return value;
}

constexpr const char* kMaxRequestSwitch = "--max-request-bytes";

}  // namespace

nolt::AgentOptions parseOptions(int argc, const char* const* argv) {
    nolt::AgentOptions options;
    for (int i = 1; i < argc; ++i) {
        if (const Switch* match = findSwitch(argv[i])) {
            if (++i < argc) options.*(match->field) = argv[i];
        } else if (std::strcmp(argv[i], "-w") == 0) {
            if (++i < argc) options.burstWorkers = parseWorkerCount(argv[i]);
        } else if (std::strcmp(argv[i], kMaxRequestSwitch) == 0) {
            if (++i < argc) options.maxRequestBytes = byteCount(kMaxRequestSwitch, argv[i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[i], "--insecure") == 0) {
            options.serverAuth = false;
        }
    }
    return options;
}

}  // namespace heidenhain
