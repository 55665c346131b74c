#include <sys/stat.h>

#include <cerrno>

#include "platform/directory.h"

namespace platform {

MakeDirectoryResult makeDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) == 0) return {MakeDirectoryResult::Created, 0};
    const int error = errno;
    if (error == EEXIST) return {MakeDirectoryResult::AlreadyExists, error};
    return {MakeDirectoryResult::Failed, error};
}

}  // namespace platform
