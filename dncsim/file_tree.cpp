#include "dncsim/file_tree.h"

#include <algorithm>
#include <cctype>
#include <string_view>

namespace dncsim {
namespace {

constexpr std::string_view kDrive = "tnc:";
constexpr std::string_view kDependentSuffix = ".sec.dep";

std::string lower(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

bool validName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return std::none_of(name.begin(), name.end(), [](unsigned char c) {
        return c < 0x20 || std::string_view("/:*?\"<>|").find(static_cast<char>(c)) != std::string_view::npos;
    });
}

bool isDependent(const std::string& key) { return key.ends_with(kDependentSuffix); }

}  // namespace

// Where a path leads: the directory that holds its last name (null for the
// drive itself), that name, and the entry when there is one.
struct FileTree::Place {
    Node* parent = nullptr;
    std::string name;
    Node* node = nullptr;
};

FileTree::FileTree(const std::vector<std::pair<std::string, std::string>>& files) : root_(std::make_unique<Node>()) {
    root_->name = "TNC:\\";
    root_->directory = true;
    for (const auto& [path, content] : files) addFile(path, content);
}

FileTree::Status FileTree::addFile(const std::string& path, std::string content) {
    for (std::size_t at = path.find('\\', path.find('\\') + 1); at != std::string::npos; at = path.find('\\', at + 1)) {
        makeDirectory(path.substr(0, at));
    }
    return createFile(path, std::move(content));
}

FileTree::Status FileTree::locate(const std::string& path, Place* place) const {
    const auto colon = path.find(':');
    if (colon == std::string::npos || colon == 0) return Status::InvalidName;
    if (lower(std::string_view(path).substr(0, colon + 1)) != kDrive) return Status::DriveNotAllowed;
    std::string_view rest = std::string_view(path).substr(colon + 1);
    if (!rest.empty() && rest.front() != '\\') return Status::InvalidName;
    if (!rest.empty()) rest.remove_prefix(1);
    if (!rest.empty() && rest.back() == '\\') rest.remove_suffix(1);
    *place = Place{};
    if (rest.empty()) {
        place->node = root_.get();
        return Status::Ok;
    }
    std::vector<std::string_view> names;
    for (std::size_t start = 0;;) {
        const auto end = rest.find('\\', start);
        names.push_back(rest.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
        if (end == std::string_view::npos) break;
        start = end + 1;
    }
    if (!std::all_of(names.begin(), names.end(), validName)) return Status::InvalidName;
    Node* directory = root_.get();
    for (std::size_t i = 0; i + 1 < names.size(); ++i) {
        auto it = directory->children.find(lower(names[i]));
        if (it == directory->children.end() || !it->second->directory) return Status::ParentMissing;
        directory = it->second.get();
    }
    place->parent = directory;
    place->name = std::string(names.back());
    auto it = directory->children.find(lower(place->name));
    if (it != directory->children.end()) place->node = it->second.get();
    return Status::Ok;
}

FileTree::Status FileTree::creatable(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    return placeForNew(path, &place);
}

FileTree::Status FileTree::placeForNew(const std::string& path, Place* place) const {
    if (auto status = locate(path, place); status != Status::Ok) return status;
    if (place->parent == nullptr) return Status::DriveNotAllowed;
    return place->node != nullptr ? Status::Exists : Status::Ok;
}

FileTree::Status FileTree::createFile(const std::string& path, std::string content) {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = placeForNew(path, &place); status != Status::Ok) return status;
    auto file = std::make_unique<Node>();
    file->name = place.name;
    file->content = std::move(content);
    place.parent->children.emplace(lower(place.name), std::move(file));
    return Status::Ok;
}

FileTree::Status FileTree::readFile(const std::string& path, std::string* content) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = locate(path, &place); status != Status::Ok) return status;
    if (place.node == nullptr || place.node->directory) return Status::NotFound;
    *content = place.node->content;
    return Status::Ok;
}

FileTree::Status FileTree::removeFile(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = locate(path, &place); status != Status::Ok) return status;
    if (place.node == nullptr || place.node->directory) return Status::NotFound;
    place.parent->children.erase(lower(place.name));
    return Status::Ok;
}

FileTree::Status FileTree::copyFile(const std::string& source, const std::string& destination) {
    std::string content;
    if (auto status = readFile(source, &content); status != Status::Ok) return status;
    return createFile(destination, std::move(content));
}

FileTree::Status FileTree::makeDirectory(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = locate(path, &place); status != Status::Ok) return status;
    if (place.node != nullptr) return Status::Exists;
    auto directory = std::make_unique<Node>();
    directory->name = place.name;
    directory->directory = true;
    place.parent->children.emplace(lower(place.name), std::move(directory));
    return Status::Ok;
}

FileTree::Status FileTree::removeDirectory(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = locate(path, &place); status != Status::Ok) return status;
    if (place.parent == nullptr) return Status::DriveNotAllowed;
    if (place.node == nullptr || !place.node->directory) return Status::NotFound;
    for (const auto& [key, child] : place.node->children) {
        if (child->directory || !isDependent(key)) return Status::NotEmpty;
    }
    place.parent->children.erase(lower(place.name));
    return Status::Ok;
}

FileTree::Status FileTree::list(const std::string& path, std::vector<Entry>* entries) const {
    std::lock_guard<std::mutex> lock(mutex_);
    Place place;
    if (auto status = locate(path, &place); status != Status::Ok) return status;
    if (place.node == nullptr || !place.node->directory) return Status::NotFound;
    entries->clear();
    if (place.parent != nullptr) {
        entries->push_back({".", true});
        entries->push_back({"..", true});
    }
    for (const auto& [key, child] : place.node->children) entries->push_back({child->name, child->directory});
    return Status::Ok;
}

}  // namespace dncsim
