#pragma once
// The registration switches that the service-module layer handles itself.
#include <string>

namespace heidenhain {

enum class StandardSwitch {
    None,
    UnregServer,
    RegServer,
    UnregServerPerUser,
    RegServerPerUser,
    Service,
};

// The first argument that starts with '-' or '/' followed by one of the
// switch words in any letter case, such as "/service" or "-RegServer".
StandardSwitch findStandardSwitch(const std::string& commandLine);

}  // namespace heidenhain
