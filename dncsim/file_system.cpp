#include "dncsim/file_system.h"

#include <fstream>
#include <iterator>

#include "dnc/file_result.h"
#include "dncsim/file_tree.h"
#include "dncsim/pocket_file.h"
#include "dncsim/table_layout.h"

namespace dncsim {
namespace {

using Status = FileTree::Status;

// The codes every operation shares; `notFound`, `exists` and `parentMissing`
// are the operation's own.
dnc::HRESULT resultOf(Status status, dnc::HRESULT notFound, dnc::HRESULT exists, dnc::HRESULT parentMissing) {
    switch (status) {
        case Status::Ok: return dnc::kOk;
        case Status::InvalidName: return dnc::kInvalidFileName;
        case Status::DriveNotAllowed: return dnc::kDriveNotAllowed;
        case Status::ParentMissing: return parentMissing;
        case Status::NotFound: return notFound;
        case Status::Exists: return exists;
        case Status::NotEmpty: return dnc::kDirectoryNotEmpty;
    }
    return dnc::kFail;
}

class DirectoryEntry final : public dnc::IJHDirectoryEntry {
public:
    explicit DirectoryEntry(const FileTree::Entry& entry) : name_(entry.name), attributes_(std::make_shared<FileAttributes>()) {
        attributes_->SetAttribute(dnc::DNC_ATTRIBUTE_DIRECTORY, entry.directory ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE);
    }
    dnc::HRESULT get_name(std::string* name) override {
        if (name == nullptr) return dnc::kPointer;
        *name = name_;
        return dnc::kOk;
    }
    dnc::HRESULT get_attributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) override {
        if (attributes == nullptr) return dnc::kPointer;
        *attributes = attributes_;
        return dnc::kOk;
    }

private:
    const std::string name_;
    const std::shared_ptr<FileAttributes> attributes_;
};

class DirectoryEntryList final : public dnc::IJHDirectoryEntryList {
public:
    explicit DirectoryEntryList(std::vector<std::shared_ptr<dnc::IJHDirectoryEntry>> entries)
        : entries_(std::move(entries)) {}
    dnc::HRESULT get_Count(std::int32_t* count) override {
        if (count == nullptr) return dnc::kPointer;
        *count = static_cast<std::int32_t>(entries_.size());
        return dnc::kOk;
    }
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDirectoryEntry>* entry) override {
        if (entry == nullptr) return dnc::kPointer;
        if (index < 0 || static_cast<std::size_t>(index) >= entries_.size()) return dnc::kBadParameter;
        *entry = entries_[static_cast<std::size_t>(index)];
        return dnc::kOk;
    }

private:
    const std::vector<std::shared_ptr<dnc::IJHDirectoryEntry>> entries_;
};

bool has(const std::shared_ptr<dnc::IJHFileAttributes>& set, std::int32_t attribute) {
    dnc::VariantBool isSet = dnc::VARIANT_FALSE;
    return set != nullptr && dnc::succeeded(set->HasAttribute(attribute, &isSet)) && isSet;
}

// The entry has every attribute of mustHave and none of mustNotHave.
bool passes(bool directory, const std::shared_ptr<dnc::IJHFileAttributes>& mustHave,
            const std::shared_ptr<dnc::IJHFileAttributes>& mustNotHave) {
    for (std::int32_t attribute : {dnc::DNC_ATTRIBUTE_READONLY, dnc::DNC_ATTRIBUTE_HIDDEN, dnc::DNC_ATTRIBUTE_DIRECTORY}) {
        const bool entryHas = attribute == dnc::DNC_ATTRIBUTE_DIRECTORY && directory;
        if (has(mustHave, attribute) && !entryHas) return false;
        if (has(mustNotHave, attribute) && entryHas) return false;
    }
    return true;
}

}  // namespace

dnc::HRESULT FileSystem::TransmitFile(const std::string& localPath, const std::string& cncPath) {
    if (auto hr = link_->enter("TransmitFile"); dnc::failed(hr)) return hr;
    std::ifstream local(localPath, std::ios::binary | std::ios::ate);
    if (!local) return dnc::kLocalFileNotOpened;
    FileTree& files = link_->controller().files();
    const auto created = [](FileTree::Status status) {
        return resultOf(status, dnc::kRemoteFileNotFound, dnc::kRemoteFileExists, dnc::kRemoteFileNotFound);
    };
    // A program of tens of MB is read only when it can be stored.
    if (auto status = files.creatable(cncPath); status != FileTree::Status::Ok) return created(status);
    std::string content(static_cast<std::size_t>(local.tellg()), '\0');
    local.seekg(0);
    local.read(content.data(), static_cast<std::streamsize>(content.size()));
    if (!local) return dnc::kLocalFileNotOpened;
    return created(files.createFile(cncPath, std::move(content)));
}

dnc::HRESULT FileSystem::ReceiveFile(const std::string& cncPath, const std::string& localPath) {
    if (auto hr = link_->enter("ReceiveFile"); dnc::failed(hr)) return hr;
    std::string content;
    Controller& controller = link_->controller();
    // The oldest control hands out its pocket table only as this file, made
    // from the table as it is at the moment of the read.
    const bool pocketTable = controller.family() == Family::TableInterface && sameName(cncPath, kPocketFilePath);
    if (pocketTable) content = pocketFile(*controller.data());
    const auto status = pocketTable ? Status::Ok : controller.files().readFile(cncPath, &content);
    if (status != Status::Ok) {
        return resultOf(status, dnc::kRemoteFileNotFound, dnc::kRemoteFileExists, dnc::kRemoteFileNotFound);
    }
    std::ofstream local(localPath, std::ios::binary | std::ios::trunc);
    local.write(content.data(), static_cast<std::streamsize>(content.size()));
    local.close();
    return local ? dnc::kOk : dnc::kLocalFileNotOpened;
}

dnc::HRESULT FileSystem::ReadDirectory(const std::string& path, std::shared_ptr<dnc::IJHFileAttributes> mustHave,
                                       std::shared_ptr<dnc::IJHFileAttributes> mustNotHave,
                                       std::shared_ptr<dnc::IJHDirectoryEntryList>* entries) {
    if (auto hr = link_->enter("ReadDirectory"); dnc::failed(hr)) return hr;
    if (entries == nullptr) return dnc::kPointer;
    std::vector<FileTree::Entry> listed;
    const auto status = link_->controller().files().list(path, &listed);
    if (status != Status::Ok) {
        return resultOf(status, dnc::kDirectoryNotFound, dnc::kDirectoryExists, dnc::kDirectoryNotFound);
    }
    std::vector<std::shared_ptr<dnc::IJHDirectoryEntry>> items;
    for (const auto& entry : listed) {
        if (passes(entry.directory, mustHave, mustNotHave)) items.push_back(std::make_shared<DirectoryEntry>(entry));
    }
    *entries = std::make_shared<DirectoryEntryList>(std::move(items));
    return dnc::kOk;
}

dnc::HRESULT FileSystem::MakeDirectory(const std::string& path) {
    if (auto hr = link_->enter("MakeDirectory"); dnc::failed(hr)) return hr;
    return resultOf(link_->controller().files().makeDirectory(path), dnc::kDirectoryNotFound, dnc::kDirectoryExists,
                    dnc::kDirectoryNotFound);
}

dnc::HRESULT FileSystem::DeleteDirectory(const std::string& path) {
    if (auto hr = link_->enter("DeleteDirectory"); dnc::failed(hr)) return hr;
    return resultOf(link_->controller().files().removeDirectory(path), dnc::kDirectoryNotFound,
                    dnc::kDirectoryExists, dnc::kDirectoryNotFound);
}

dnc::HRESULT FileSystem::DeleteFile(const std::string& path) {
    if (auto hr = link_->enter("DeleteFile"); dnc::failed(hr)) return hr;
    return resultOf(link_->controller().files().removeFile(path), dnc::kFileNotFound, dnc::kFileExists,
                    dnc::kFileNotFound);
}

dnc::HRESULT FileSystem::CopyFile(const std::string& sourcePath, const std::string& destinationPath) {
    if (auto hr = link_->enter("CopyFile"); dnc::failed(hr)) return hr;
    return resultOf(link_->controller().files().copyFile(sourcePath, destinationPath), dnc::kFileNotFound,
                    dnc::kFileExists, dnc::kDirectoryNotFound);
}

}  // namespace dncsim
