#include <unistd.h>

#include <vector>

#include "platform/hostname.h"

namespace platform {

std::string localHostName(std::size_t bufferSize) {
    if (bufferSize == 0) return {};
    std::vector<char> buffer(bufferSize, '\0');
    // The whole buffer: a name one shorter than it still fits with its terminator.
    if (gethostname(buffer.data(), buffer.size()) != 0) return {};
    buffer.back() = '\0';
    return std::string(buffer.data());
}

}  // namespace platform
