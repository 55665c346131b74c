#pragma once
// The line printed when a connect fails, with the broker's reason: a wrong
// password must be told apart from a broker that is down.
#include <string>

namespace mqtt {
class token;
}

namespace nolt {

std::string connectFailureText(const mqtt::token& token);

}  // namespace nolt
