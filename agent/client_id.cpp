#include "agent/client_id.h"

#include "platform/md5.h"

namespace nolt {

std::string makeClientId(const std::string& domain, const std::string& agent) {
    return "nolta" + platform::md5Hex(domain + agent).substr(0, 18);
}

std::string makeSparkplugClientId(const std::string& domain, const std::string& agent) {
    return "nolts" + platform::md5Hex(domain + agent).substr(0, 18);
}

}  // namespace nolt
