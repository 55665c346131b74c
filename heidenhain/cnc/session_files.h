#pragma once
// The CNC file system: sending and fetching files (session_file_transfer.cpp),
// directories and file operations (session_file_system.cpp). File contents
// travel as Base64 text; CNC paths without a drive are taken below TNC:\.
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "heidenhain/cnc/cnc_files.h"
#include "heidenhain/session/session_context.h"

namespace heidenhain {

class SessionFiles {
public:
    explicit SessionFiles(SessionContext& context) : context_(context) {}
    SessionFiles(const SessionFiles&) = delete;
    SessionFiles& operator=(const SessionFiles&) = delete;

    void transmitFile(const std::string& content, const std::string& dstPath);
    std::string receiveFile(const std::string& cncFile);
    // The file's bytes, unencoded (the TNC 426 reads its pocket table so).
    std::string receiveFileBinary(const std::string& cncFile);
    // {"path": listed path, "entries": [names]}
    nlohmann::json readDirectory(const std::string& path);
    void deleteDirectory(const std::string& directoryPath);
    void makeDirectory(const std::string& directoryPath);
    void deleteFile(const std::string& filePath);
    void copyFile(const std::string& sourceFilePath, const std::string& destFilePath);
    // {"path": deleted path, "numDirectoriesDeleted": n, "numFilesDeleted": n}
    nlohmann::json deleteDirectoryRecursively(const std::string& directoryPath);

private:
    // The bytes are let go once written to the temporary file, before the
    // control reads it: a program may be tens of MB.
    void transmitFileBinary(std::string bytes, const std::string& dstPath);
    DirectoryListing readDirectoryStdVec(const std::string& path);
    void deleteDirectoryRecursivelyInternal(DeletionCounts& counts, const std::string& directoryPath);
    // The file system interface, after the connection and interface check
    // for `function` at `site`.
    std::shared_ptr<dnc::IJHFileSystem> checkedFileSystem(const char* function, CallSite site);
    // The directories of a destination, made where missing, for sending.
    void makeMissingDirectories(dnc::IJHFileSystem& fileSystem, const std::string& destination);
    // Lists a directory and hands each entry with its name to `visit`.
    template <class Visit>
    void walkDirectory(dnc::IJHFileSystem& fileSystem, const std::string& path, const char* readCall, Visit&& visit);

    SessionContext& context_;
};

}  // namespace heidenhain
