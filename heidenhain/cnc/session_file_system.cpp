// Directories and file operations on the CNC: listing, making, deleting and
// copying, and deleting a directory tree with a count of what went.
#include <stdexcept>

#include "dnc/factory.h"
#include "heidenhain/cnc/session_files.h"
#include "heidenhain/sdk/interface_check.h"

namespace heidenhain {
namespace {

// Entries that are not the directory's own content, or that the control
// removes together with the file they depend on.
bool skippedByRecursiveDelete(const std::string& name) {
    return name == "." || name == ".." || name.ends_with(".SEC.DEP");
}

}  // namespace

std::shared_ptr<dnc::IJHFileSystem> SessionFiles::checkedFileSystem(const char* function, CallSite site) {
    auto fileSystem = context_.fileSystem.get();
    requireInterface(context_.guard, InterfaceCheck{"FileSystem", fileSystem != nullptr, function}, site);
    return fileSystem;
}

template <class Visit>
void SessionFiles::walkDirectory(dnc::IJHFileSystem& fileSystem, const std::string& path, const char* readCall,
                                 Visit&& visit) {
    // A new attribute set has nothing set: as both filters it lists everything.
    std::shared_ptr<dnc::IJHFileAttributes> emptyAttributes;
    if (const auto hr = dnc::machineFactory()->CreateFileAttributes(&emptyAttributes); dnc::failed(hr)) {
        throw std::runtime_error(
            context_.guard.errorMessage("emptyAttributes.CoCreateInstance(CLSID_JHFileAttributes)", hr, SDK_CALL_SITE));
    }
    std::shared_ptr<dnc::IJHDirectoryEntryList> ppDirEntryList;
    context_.guard.run({readCall, SDK_CALL_SITE}, [&] {
        return fileSystem.ReadDirectory(path, emptyAttributes, emptyAttributes, &ppDirEntryList);
    });
    std::int32_t count = 0;
    context_.guard.run({"ppDirEntryList->get_Count(&count)", SDK_CALL_SITE},
                       [&] { return ppDirEntryList->get_Count(&count); });
    for (std::int32_t i = 0; i < count; ++i) {
        std::shared_ptr<dnc::IJHDirectoryEntry> item;
        context_.guard.run({"ppDirEntryList->get_Item(i, &item)", SDK_CALL_SITE},
                           [&] { return ppDirEntryList->get_Item(i, &item); });
        std::string name;
        context_.guard.run({"item->get_name(&name)", SDK_CALL_SITE}, [&] { return item->get_name(&name); });
        visit(*item, name);
    }
}

DirectoryListing SessionFiles::readDirectoryStdVec(const std::string& path) {
    const auto fileSystem = checkedFileSystem("readDirectoryStdVec", SDK_CALL_SITE);
    DirectoryListing listing{addTncPrefix(path), {}};
    walkDirectory(*fileSystem, listing.path,
                  "_fileSystem->ReadDirectory(toBSTR(cncFinalPath), emptyAttributes, emptyAttributes, &ppDirEntryList)",
                  [&](dnc::IJHDirectoryEntry&, const std::string& name) { listing.names.push_back(name); });
    return listing;
}

nlohmann::json SessionFiles::readDirectory(const std::string& path) {
    auto listing = readDirectoryStdVec(path);
    return {{"path", listing.path}, {"entries", listing.names}};
}

void SessionFiles::deleteDirectory(const std::string& directoryPath) {
    const auto fileSystem = checkedFileSystem("deleteDirectory", SDK_CALL_SITE);
    context_.guard.run({"_fileSystem->DeleteDirectory(toBSTR(addTncPrefix(directoryPath)))", SDK_CALL_SITE},
                       [&] { return fileSystem->DeleteDirectory(addTncPrefix(directoryPath)); });
}

void SessionFiles::makeDirectory(const std::string& directoryPath) {
    const auto fileSystem = checkedFileSystem("makeDirectory", SDK_CALL_SITE);
    context_.guard.run({"_fileSystem->MakeDirectory(toBSTR(addTncPrefix(directoryPath)))", SDK_CALL_SITE},
                       [&] { return fileSystem->MakeDirectory(addTncPrefix(directoryPath)); });
}

void SessionFiles::deleteFile(const std::string& filePath) {
    const auto fileSystem = checkedFileSystem("deleteFile", SDK_CALL_SITE);
    context_.guard.run({"_fileSystem->__DeleteFile(toBSTR(addTncPrefix(filePath)))", SDK_CALL_SITE},
                       [&] { return fileSystem->DeleteFile(addTncPrefix(filePath)); });
}

void SessionFiles::copyFile(const std::string& sourceFilePath, const std::string& destFilePath) {
    const auto fileSystem = checkedFileSystem("copyFile", SDK_CALL_SITE);
    context_.guard.run(
        {"_fileSystem->__CopyFile(toBSTR(addTncPrefix(sourceFilePath)), toBSTR(addTncPrefix(destFilePath)))",
         SDK_CALL_SITE},
        [&] { return fileSystem->CopyFile(addTncPrefix(sourceFilePath), addTncPrefix(destFilePath)); });
}

nlohmann::json SessionFiles::deleteDirectoryRecursively(const std::string& directoryPath) {
    const std::string path = addTncPrefix(directoryPath);
    DeletionCounts counts;
    deleteDirectoryRecursivelyInternal(counts, path);
    return {{"path", path},
            {"numDirectoriesDeleted", counts.numDirectoriesDeleted},
            {"numFilesDeleted", counts.numFilesDeleted}};
}

void SessionFiles::deleteDirectoryRecursivelyInternal(DeletionCounts& counts, const std::string& directoryPath) {
    const auto fileSystem = checkedFileSystem("deleteDirectoryRecursivelyInternal", SDK_CALL_SITE);
    DeletionCounts level;
    walkDirectory(
        *fileSystem, directoryPath,
        "_fileSystem->ReadDirectory(toBSTR(directoryPath), emptyAttributes, emptyAttributes, &ppDirEntryList)",
        [&](dnc::IJHDirectoryEntry& item, const std::string& name) {
            if (skippedByRecursiveDelete(name)) return;
            std::shared_ptr<dnc::IJHFileAttributes> attr;
            context_.guard.run({"item->get_attributes(&attr)", SDK_CALL_SITE},
                               [&] { return item.get_attributes(&attr); });
            dnc::VariantBool isDirectory = dnc::VARIANT_FALSE;
            context_.guard.run({"attr->HasAttribute(DNC_ATTRIBUTE_DIRECTORY, &isDirectory)", SDK_CALL_SITE},
                               [&] { return attr->HasAttribute(dnc::DNC_ATTRIBUTE_DIRECTORY, &isDirectory); });
            const std::string entryPath = directoryPath + "\\" + name;
            if (isDirectory) {
                DeletionCounts below;
                deleteDirectoryRecursivelyInternal(below, entryPath);
                level.numDirectoriesDeleted += below.numDirectoriesDeleted;
                level.numFilesDeleted += below.numFilesDeleted;
            } else {
                context_.guard.run({"_fileSystem->__DeleteFile(" + entryPath + ")", SDK_CALL_SITE},
                                   [&] { return fileSystem->DeleteFile(entryPath); });
                ++level.numFilesDeleted;
            }
        });
    context_.guard.run({"_fileSystem->DeleteDirectory(toBSTR(directoryPath))", SDK_CALL_SITE},
                       [&] { return fileSystem->DeleteDirectory(directoryPath); });
    counts.numDirectoriesDeleted += level.numDirectoriesDeleted + 1;
    counts.numFilesDeleted += level.numFilesDeleted;
}

}  // namespace heidenhain
