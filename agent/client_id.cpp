#include "agent/client_id.h"

#include "platform/md5.h"

namespace nolt {
namespace {

std::string agentDigits(const std::string& domain, const std::string& agent) {
    return platform::md5Hex(domain + agent).substr(0, 18);
}

}  // namespace

std::string makeClientId(const std::string& domain, const std::string& agent) {
    return "nolta" + agentDigits(domain, agent);
}

std::string makeBulkClientId(const std::string& domain, const std::string& agent) {
    return "noltb" + agentDigits(domain, agent);
}

std::string makeSparkplugClientId(const std::string& domain, const std::string& agent) {
    return "nolts" + agentDigits(domain, agent);
}

}  // namespace nolt
