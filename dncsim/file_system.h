#pragma once
// The simulated file system interface and the attribute sets it uses. Files
// go between a local file of the agent's computer and the control's tree.
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "dnc/file_system.h"
#include "dncsim/bound_object.h"

namespace dncsim {

class FileAttributes final : public dnc::IJHFileAttributes {
public:
    dnc::HRESULT HasAttribute(std::int32_t attribute, dnc::VariantBool* isSet) override {
        if (isSet == nullptr) return dnc::kPointer;
        std::lock_guard<std::mutex> lock(mutex_);
        *isSet = attributes_.count(attribute) ? dnc::VARIANT_TRUE : dnc::VARIANT_FALSE;
        return dnc::kOk;
    }
    dnc::HRESULT SetAttribute(std::int32_t attribute, dnc::VariantBool isSet) override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (isSet) attributes_.insert(attribute);
        else attributes_.erase(attribute);
        return dnc::kOk;
    }

private:
    std::mutex mutex_;
    std::set<std::int32_t> attributes_;
};

class FileSystem final : public dnc::IJHFileSystem, private BoundObject {
public:
    FileSystem(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    // Fails with 0x800404D6 when the local file cannot be read or written.
    dnc::HRESULT TransmitFile(const std::string& localPath, const std::string& cncPath) override;
    dnc::HRESULT ReceiveFile(const std::string& cncPath, const std::string& localPath) override;
    dnc::HRESULT ReadDirectory(const std::string& path, std::shared_ptr<dnc::IJHFileAttributes> mustHave,
                               std::shared_ptr<dnc::IJHFileAttributes> mustNotHave,
                               std::shared_ptr<dnc::IJHDirectoryEntryList>* entries) override;
    dnc::HRESULT MakeDirectory(const std::string& path) override;
    dnc::HRESULT DeleteDirectory(const std::string& path) override;
    dnc::HRESULT DeleteFile(const std::string& path) override;
    dnc::HRESULT CopyFile(const std::string& sourcePath, const std::string& destinationPath) override;
};

}  // namespace dncsim
