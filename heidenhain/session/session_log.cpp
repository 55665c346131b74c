#include "heidenhain/session/session_log.h"

#include <cstdio>

namespace heidenhain {

void logEntry(const std::string& function, const std::string& text, int type) {
    reportAgentEvent("heidenhain::" + function + "\t" + text + "\n", type);
}

std::string hexCode(std::int32_t code) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%x", static_cast<unsigned>(static_cast<std::uint32_t>(code)));
    return buffer;
}

}  // namespace heidenhain
