#include "host/options.h"

#include <cstring>
#include <stdexcept>
#include <string>

namespace heidenhain {
namespace {

struct Switch {
    const char* name;
    std::string nolt::AgentOptions::*field;
};

constexpr Switch kSwitches[] = {
    {"-d", &nolt::AgentOptions::domain},   {"-b", &nolt::AgentOptions::broker},
    {"-u", &nolt::AgentOptions::username}, {"-P", &nolt::AgentOptions::password},
    {"-a", &nolt::AgentOptions::agent},    {"-t", &nolt::AgentOptions::token},
    {"-p", &nolt::AgentOptions::plugin},
};

const Switch* findSwitch(const char* argument) {
    for (const auto& candidate : kSwitches) {
        if (std::strcmp(argument, candidate.name) == 0) return &candidate;
    }
    return nullptr;
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
        } else if (std::strcmp(argv[i], kMaxRequestSwitch) == 0) {
            if (++i < argc) options.maxRequestBytes = byteCount(kMaxRequestSwitch, argv[i]);
        } else if (std::strcmp(argv[i], "--help") == 0) {
            options.help = true;
        }
    }
    return options;
}

}  // namespace heidenhain
