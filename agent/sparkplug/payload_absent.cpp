#include <stdexcept>

#include "agent/sparkplug/payload.h"

namespace nolt::sparkplug {
namespace {

[[noreturn]] void absent() {
    throw std::runtime_error(
        "--sparkplug: this build of the agent has no Sparkplug B support (built without Protobuf)");
}

}  // namespace

bool payloadsAvailable() { return false; }
std::string encodePayload(const Metrics&, std::optional<std::uint64_t>) { absent(); }
std::optional<Metrics> decodePayload(const std::string&) { absent(); }

}  // namespace nolt::sparkplug
