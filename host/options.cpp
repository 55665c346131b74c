#include "host/options.h"

#include <cstring>
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
    {"--cafile", &nolt::AgentOptions::trustStore}, {"--cert", &nolt::AgentOptions::keyStore},
    {"--key", &nolt::AgentOptions::privateKey},  {"--keypass", &nolt::AgentOptions::privateKeyPassword},
};

const Switch* findSwitch(const char* argument) {
    for (const auto& candidate : kSwitches) {
        if (std::strcmp(argument, candidate.name) == 0) return &candidate;
    }
    return nullptr;
}

}  // namespace

nolt::AgentOptions parseOptions(int argc, const char* const* argv) {
    nolt::AgentOptions options;
    for (int i = 1; i < argc; ++i) {
        if (const Switch* match = findSwitch(argv[i])) {
            if (++i < argc) options.*(match->field) = argv[i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            options.help = true;
        } else if (std::strcmp(argv[i], "--insecure") == 0) {
            options.serverAuth = false;
        }
    }
    return options;
}

}  // namespace heidenhain
