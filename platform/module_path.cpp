#include "platform/module_path.h"

namespace platform {

std::string parentFolder(const std::string& path) {
    const auto separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

}  // namespace platform
