#include "heidenhain/cnc_files.h"

#include <regex>

namespace heidenhain {

std::string addTncPrefix(const std::string& path) {
    static const std::regex drive("^[a-zA-Z]+:.*");
    return std::regex_match(path, drive) ? path : "TNC:\\" + path;
}

std::vector<std::string> directoriesLeadingTo(const std::string& filePath) {
    static const std::regex component("([^\\\\]+)");
    std::vector<std::string> components;
    for (auto it = std::sregex_iterator(filePath.begin(), filePath.end(), component); it != std::sregex_iterator(); ++it)
        components.push_back(it->str());
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
