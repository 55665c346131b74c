// Temporary transfer files: unique names in the given directory, gone with
// the object, and a clear failure where no file can be made.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <set>
#include <system_error>
#include <vector>

#include "platform/temp_file.h"
#include "tests/support/temp_dir.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

TEST(TempFile, UniqueEmptyFilesRemovedWithTheirObjects) {
    testsupport::TempDir dir("temp-file");
    const std::string directory = dir.path().string();
    std::vector<std::unique_ptr<TempFile>> files;
    std::set<std::string> paths;
    for (int i = 0; i < 50; ++i) {
        files.push_back(std::make_unique<TempFile>(directory, "transmit-", ".tmp"));
        const fs::path path = files.back()->path();
        paths.insert(path.string());
        EXPECT_EQ(path.parent_path(), dir.path());
        EXPECT_TRUE(path.filename().string().starts_with("transmit-")) << path;
        EXPECT_EQ(path.extension(), ".tmp");
        EXPECT_EQ(fs::file_size(path), 0u);
    }
    EXPECT_EQ(paths.size(), 50u);
    files.clear();
    EXPECT_TRUE(fs::is_empty(dir.path()));
}

TEST(TempFile, MissingDirectoryFails) {
    testsupport::TempDir dir("temp-file");
    const std::string missing = (dir.path() / "missing").string();
    EXPECT_THROW(TempFile(missing, "receive-", ".tmp"), std::system_error);
}

}  // namespace
}  // namespace platform
