#include <unistd.h>

#include <vector>

#include "platform/module_path.h"

namespace platform {

std::string modulePath() {
    // The link's target can be as long as a path may be; grow until it fits.
    for (std::size_t size = 256; size <= 65536; size *= 2) {
        std::vector<char> buffer(size);
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) return std::string(buffer.data(), length);
    }
    return {};
}

}  // namespace platform
