#include "host/probe.h"

#include "heidenhain/sdk/sdk_probe.h"
#include "host/service_run.h"
#include "host/split_tokens.h"

namespace heidenhain {

std::optional<std::string> probeSwitch(const std::string& commandLine) {
    const auto tokens = splitTokens(commandLine, " ");
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        if (tokens[i] != kProbeSwitch) continue;
        return i + 1 < tokens.size() ? tokens[i + 1] : std::string();
    }
    return std::nullopt;
}

int runProbe(std::ostream& out, const std::string& connectionName, const ComponentReport& component) {
    out << "Heidenhain agent " << kAgentVersion << ", " << sizeof(void*) * 8 << "-bit: probe of the CNC SDK\n";
    bool usable = true;
    if (component) usable = component(out);
    usable = probeSdk(out, connectionName) && usable;
    out << (usable ? "Result: usable\n"
                   : "Result: NOT usable. Send this whole output, with the Windows version and the SDK's setup "
                     "program name and version, to the agent's maintainers.\n");
    out.flush();
    return usable ? 0 : 1;
}

}  // namespace heidenhain
