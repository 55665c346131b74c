#pragma once
// A private directory for one test's files, removed with everything in it
// when the object goes away.
#include <filesystem>
#include <string>

namespace testsupport {

class TempDir {
public:
    // Creates a fresh directory below the system's temporary directory.
    explicit TempDir(const std::string& prefix = "nolt-test");
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// The whole content of a file; empty when it does not exist.
std::string readFile(const std::filesystem::path& file);

// Replaces the file's content; throws std::runtime_error when it cannot.
void writeFile(const std::filesystem::path& file, const std::string& content);

}  // namespace testsupport
