#include "tests/support/temp_dir.h"

#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace testsupport {

// create_directory fails on a name that exists, so a name taken by another
// test or process is never shared; a fresh random one is tried instead.
TempDir::TempDir(const std::string& prefix) {
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = base / (prefix + "-" + std::to_string(random()));
        std::error_code error;
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
        if (error) throw std::system_error(error, "create_directory " + candidate.string());
    }
    throw std::runtime_error("no free temporary directory name below " + base.string());
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::string readFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::filesystem::path& file, const std::string& content) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace testsupport
