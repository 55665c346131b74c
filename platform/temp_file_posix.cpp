#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>
#include <vector>

#include "platform/temp_file.h"

namespace platform {

std::string TempFile::pattern(const std::string& directory, const std::string& prefix, const std::string& suffix) {
    return directory + "/" + prefix + "XXXXXX" + suffix;
}

TempFile::TempFile(const std::string& directory, const std::string& prefix, const std::string& suffix) {
    const std::string name = pattern(directory, prefix, suffix);
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    // mkstemps creates the file exclusively: a name taken by anyone else is never reused.
    const int fd = ::mkstemps(buffer.data(), static_cast<int>(suffix.size()));
    if (fd < 0) throw std::system_error(errno, std::generic_category(), "mkstemps " + name);
    ::close(fd);
    path_ = buffer.data();
}

TempFile::~TempFile() { ::unlink(path_.c_str()); }

}  // namespace platform
