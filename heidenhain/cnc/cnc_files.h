#pragma once
// The vocabulary of the CNC file system functions: CNC paths, directory
// listings and the counts of a recursive delete.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace heidenhain {

// The longest path the control takes (drive and file name included).
inline constexpr std::size_t kMaxCncPathLength = 255;

// The path unchanged when it starts with a drive name and a colon (PLC:\x,
// TNC:\x), else below "TNC:\". A path longer than the control takes is
// refused with an error.
std::string addTncPrefix(const std::string& path);

// The directories that lead to a file, outermost first, under the file's own
// drive: TNC:\a\b\part.h gives TNC:\a and TNC:\a\b.
std::vector<std::string> directoriesLeadingTo(const std::string& filePath);

// A program path split at its last backslash: TNC:\nc_prog\part.h gives the
// directory TNC:\nc_prog and the name part.h; a path without a backslash is
// both the directory and the name.
struct ProgramLocation {
    std::string directory;
    std::string name;
};
ProgramLocation splitProgramPath(const std::string& path);

struct DirectoryListing {
    std::string path;                // after addTncPrefix
    std::vector<std::string> names;  // in the order the SDK lists them
};

struct DeletionCounts {
    std::int32_t numDirectoriesDeleted = 0;
    std::int32_t numFilesDeleted = 0;
};

}  // namespace heidenhain
