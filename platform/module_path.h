#pragma once
// Where the running program lives, as the system knows it: whatever was
// typed to start it, relative, unquoted or through a link.
#include <string>

namespace platform {

// The absolute path of the running executable, UTF-8; empty when the system
// cannot tell.
std::string modulePath();

// The folder part of a path (up to its last separator, which is dropped);
// empty when it has none.
std::string parentFolder(const std::string& path);

}  // namespace platform
