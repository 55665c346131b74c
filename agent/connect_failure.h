#pragma once
// The line printed when a connect fails, with the broker's reason: a wrong
// password must be told apart from a broker that is down.
#include <string>

namespace mqtt {
class token;
}

namespace nolt {

std::string connectFailureText(const mqtt::token& token);

// A problem with the TLS files (tls_options.h), the reason of every
// failure from now on; empty: none.
void setTlsFileProblem(const std::string& problem);

// A connection on which the broker refused a topic the agent needs, or that
// could not subscribe at all, counts as a failed connect.
std::string subscriptionRefusalText(const std::string& topic);
std::string subscriptionFailureText(int code);

}  // namespace nolt
