#pragma once
#include <cstddef>
#include <string>

namespace platform {

// The local host name as the socket layer reports it, read into a buffer of
// the given size (longer names are cut to fit).
std::string localHostName(std::size_t bufferSize);

}  // namespace platform
