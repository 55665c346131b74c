#pragma once
// Files that live for one transfer: made empty under a name that no other
// file has, in this process or in another one, and removed again when the
// object goes, whichever way the transfer ended.
#include <string>

namespace platform {

class TempFile {
public:
    // Creates "<directory><separator><prefix><unique part><suffix>". Throws
    // std::system_error when the file cannot be made (no such directory, no
    // permission...).
    TempFile(const std::string& directory, const std::string& prefix, const std::string& suffix);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return path_; }

    // The name the files get, with the unique part as the system writes it
    // in a pattern; what a message names when no file could be made.
    static std::string pattern(const std::string& directory, const std::string& prefix, const std::string& suffix);

private:
    std::string path_;
};

}  // namespace platform
