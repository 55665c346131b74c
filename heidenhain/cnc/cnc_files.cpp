#include "heidenhain/cnc/cnc_files.h"

#include <algorithm>
#include <stdexcept>

namespace heidenhain {

namespace {
bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
}  // namespace

std::string addTncPrefix(const std::string& path) {
    if (path.size() > kMaxCncPathLength) {
        throw std::runtime_error("CNC path of " + std::to_string(path.size()) +
                                 " characters is too long: the control accepts at most " +
                                 std::to_string(kMaxCncPathLength));
    }
    std::size_t letters = 0;
    while (letters < path.size() && isAsciiLetter(path[letters])) ++letters;
    const bool hasDrive = letters > 0 && letters < path.size() && path[letters] == ':';
    return hasDrive ? path : "TNC:\\" + path;
}

std::vector<std::string> directoriesLeadingTo(const std::string& filePath) {
    std::vector<std::string> components;
    for (std::size_t start = 0; start < filePath.size();) {
        const auto end = std::min(filePath.find('\\', start), filePath.size());
        if (end > start) components.push_back(filePath.substr(start, end - start));
        start = end + 1;
    }
    std::vector<std::string> directories;
    if (components.size() < 3) return directories;
    // The first component is the drive, the last one the file itself.
    std::string path = components.front();
    for (std::size_t i = 1; i + 1 < components.size(); ++i) {
        path += "\\" + components[i];
        directories.push_back(path);
    }
    return directories;
}

ProgramLocation splitProgramPath(const std::string& path) {
    const auto slash = path.rfind('\\');
    if (slash == std::string::npos) return {path, path};
    return {path.substr(0, slash), path.substr(slash + 1)};
}

}  // namespace heidenhain
