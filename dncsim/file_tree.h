#pragma once
// The file system of one simulated control: the drive "TNC:\" with its
// directories and files, held in memory. Names are compared without regard
// to case, as the control does, and keep the case they were created with.
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace dncsim {

class FileTree {
public:
    enum class Status {
        Ok,
        InvalidName,     // not "TNC:" followed by backslash-separated names
        DriveNotAllowed, // another drive, or the drive itself where an entry is meant
        ParentMissing,   // the directory that should hold the entry does not exist
        NotFound,        // no entry of that kind under that name
        Exists,          // an entry of that name is there already
        NotEmpty,
    };

    struct Entry {
        std::string name;
        bool directory;
    };

    // The files (path, content) with every directory that leads to them.
    explicit FileTree(const std::vector<std::pair<std::string, std::string>>& files = {});

    // A new file; an existing entry of the name is never replaced.
    Status createFile(const std::string& path, std::string content);
    // What createFile would answer now, without making anything.
    Status creatable(const std::string& path) const;
    Status readFile(const std::string& path, std::string* content) const;
    Status removeFile(const std::string& path);
    Status copyFile(const std::string& source, const std::string& destination);
    Status makeDirectory(const std::string& path);
    // Dependent files (names ending in ".SEC.DEP") belong to their directory:
    // they do not keep it from being removed and go with it.
    Status removeDirectory(const std::string& path);
    // "." and ".." first (except on the drive), then the entries by name.
    Status list(const std::string& path, std::vector<Entry>* entries) const;

private:
    struct Node {
        std::string name;
        bool directory = false;
        std::string content;
        std::map<std::string, std::unique_ptr<Node>> children;  // by lower-case name
    };
    struct Place;

    Status locate(const std::string& path, Place* place) const;
    Status placeForNew(const std::string& path, Place* place) const;
    Status addFile(const std::string& path, std::string content);

    mutable std::mutex mutex_;
    std::unique_ptr<Node> root_;
};

}  // namespace dncsim
