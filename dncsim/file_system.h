#pragma once
// The simulated file system interface and the attribute sets it uses.
#include <mutex>
#include <set>

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

    dnc::HRESULT TransmitFile(const std::string&, const std::string&) override { return notYet("TransmitFile"); }
    dnc::HRESULT ReceiveFile(const std::string&, const std::string&) override { return notYet("ReceiveFile"); }
    dnc::HRESULT ReadDirectory(const std::string&, std::shared_ptr<dnc::IJHFileAttributes>,
                               std::shared_ptr<dnc::IJHFileAttributes>,
                               std::shared_ptr<dnc::IJHDirectoryEntryList>*) override {
        return notYet("ReadDirectory");
    }
    dnc::HRESULT MakeDirectory(const std::string&) override { return notYet("MakeDirectory"); }
    dnc::HRESULT DeleteDirectory(const std::string&) override { return notYet("DeleteDirectory"); }
    dnc::HRESULT DeleteFile(const std::string&) override { return notYet("DeleteFile"); }
    dnc::HRESULT CopyFile(const std::string&, const std::string&) override { return notYet("CopyFile"); }
};

}  // namespace dncsim
