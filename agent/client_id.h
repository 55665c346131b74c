#pragma once
#include <string>

namespace nolt {

// "nolta" + the first 18 hex digits of MD5(domain + agent).
std::string makeClientId(const std::string& domain, const std::string& agent);

// The connection for large replies: "noltb" + the same digits.
std::string makeBulkClientId(const std::string& domain, const std::string& agent);

// The Sparkplug B connection's: "nolts" + the same digits.
std::string makeSparkplugClientId(const std::string& domain, const std::string& agent);

}  // namespace nolt
