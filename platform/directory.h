#pragma once
// Directory creation, telling "already there" apart from a failure.
#include <string>

namespace platform {

struct MakeDirectoryResult {
    enum Status { Created, AlreadyExists, Failed } status;
    int systemError;  // the system's error number when Failed (errno on POSIX, GetLastError on Windows)
};

MakeDirectoryResult makeDirectory(const std::string& path);

}  // namespace platform
