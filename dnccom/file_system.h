#pragma once
// The component's file system: transfers, directories and attribute sets.
#include "dnc/file_system.h"
#include "dnccom/object.h"

// The Windows headers' ANSI renames would rename our methods.
#undef DeleteFile
#undef CopyFile

namespace dnccom {

class ComFileAttributes final : public dnc::IJHFileAttributes, public ComObject {
public:
    static constexpr const char* kInterface = "IJHFileAttributes";
    explicit ComFileAttributes(ComPtr<IDispatch> object);
    dnc::HRESULT HasAttribute(std::int32_t attribute, dnc::VariantBool* isSet) override;
    dnc::HRESULT SetAttribute(std::int32_t attribute, dnc::VariantBool isSet) override;
};

class ComDirectoryEntry final : public dnc::IJHDirectoryEntry, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDirectoryEntry";
    explicit ComDirectoryEntry(ComPtr<IDispatch> object);
    dnc::HRESULT get_name(std::string* name) override { return get("get_name", name); }
    dnc::HRESULT get_attributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) override;
};

class ComDirectoryEntryList final : public dnc::IJHDirectoryEntryList, public ComObject {
public:
    static constexpr const char* kInterface = "IJHDirectoryEntryList";
    explicit ComDirectoryEntryList(ComPtr<IDispatch> object);
    dnc::HRESULT get_Count(std::int32_t* count) override { return get("get_Count", count); }
    dnc::HRESULT get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDirectoryEntry>* entry) override;
};

class ComFileSystem final : public dnc::IJHFileSystem, public ComObject {
public:
    static constexpr const char* kInterface = "IJHFileSystem";
    explicit ComFileSystem(ComPtr<IDispatch> object);
    dnc::HRESULT TransmitFile(const std::string& localPath, const std::string& cncPath) override {
        return twoTexts("TransmitFile", localPath, cncPath);
    }
    dnc::HRESULT ReceiveFile(const std::string& cncPath, const std::string& localPath) override {
        return twoTexts("ReceiveFile", cncPath, localPath);
    }
    dnc::HRESULT ReadDirectory(const std::string& path, std::shared_ptr<dnc::IJHFileAttributes> mustHave,
                          std::shared_ptr<dnc::IJHFileAttributes> mustNotHave,
                          std::shared_ptr<dnc::IJHDirectoryEntryList>* entries) override;
    dnc::HRESULT MakeDirectory(const std::string& path) override { return oneText("MakeDirectory", path); }
    dnc::HRESULT DeleteDirectory(const std::string& path) override { return oneText("DeleteDirectory", path); }
    dnc::HRESULT DeleteFile(const std::string& path) override { return oneText("DeleteFile", path); }
    dnc::HRESULT CopyFile(const std::string& sourcePath, const std::string& destinationPath) override {
        return twoTexts("CopyFile", sourcePath, destinationPath);
    }

private:
    dnc::HRESULT oneText(const char* method, const std::string& text) const;
    dnc::HRESULT twoTexts(const char* method, const std::string& first, const std::string& second) const;
};

}  // namespace dnccom
