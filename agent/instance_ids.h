#pragma once
// Ids of anonymous instances: the decimal text of a random 64-bit number.
// Any client on the broker can call or delete an instance whose id it
// knows, so ids must not be guessable from one another.
#include <string>

namespace nolt {

// From the cryptographic random source; throws std::runtime_error when it fails.
std::string randomInstanceId();

}  // namespace nolt
