#pragma once
// The SDK's version text, read once when the service starts.
#include <string>

namespace heidenhain {

// Throws when no machine object can be created (the SDK is not installed).
std::string sdkVersion();

}  // namespace heidenhain
