// The file system of the simulated component.
#include "dnccom/text.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

using dnccom::fromBstr;

class FileAttributes final : public ServerObject<IJHFileAttributes> {
public:
    explicit FileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes)
        : ServerObject(IID_IJHFileAttributes), attributes_(std::move(attributes)) {}
    HRESULT STDMETHODCALLTYPE HasAttribute(DNC_ATTRIBUTE attribute, VARIANT_BOOL* isSet) override {
        dnc::VariantBool flag = 0;
        const HRESULT hr = attributes_->HasAttribute(attribute, &flag);
        if (SUCCEEDED(hr)) *isSet = flag;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE SetAttribute(DNC_ATTRIBUTE attribute, VARIANT_BOOL isSet) override {
        return attributes_->SetAttribute(attribute, isSet);
    }
    const std::shared_ptr<dnc::IJHFileAttributes>& simulated() const { return attributes_; }

private:
    std::shared_ptr<dnc::IJHFileAttributes> attributes_;
};

class DirectoryEntry final : public ServerObject<IJHDirectoryEntry> {
public:
    explicit DirectoryEntry(std::shared_ptr<dnc::IJHDirectoryEntry> entry)
        : ServerObject(IID_IJHDirectoryEntry), entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE get_name(BSTR* name) override {
        std::string text;
        const HRESULT hr = entry_->get_name(&text);
        return giveText(hr, text, name);
    }
    HRESULT STDMETHODCALLTYPE get_attributes(IJHFileAttributes** attributes) override {
        std::shared_ptr<dnc::IJHFileAttributes> found;
        const HRESULT hr = entry_->get_attributes(&found);
        return giveObject(hr, SUCCEEDED(hr) ? newFileAttributes(found) : nullptr, attributes);
    }

private:
    std::shared_ptr<dnc::IJHDirectoryEntry> entry_;
};

class DirectoryEntryList final : public ServerObject<IJHDirectoryEntryList> {
public:
    explicit DirectoryEntryList(std::shared_ptr<dnc::IJHDirectoryEntryList> list)
        : ServerObject(IID_IJHDirectoryEntryList), list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        std::int32_t value = 0;
        const HRESULT hr = list_->get_Count(&value);
        if (SUCCEEDED(hr)) *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, IJHDirectoryEntry** entry) override {
        std::shared_ptr<dnc::IJHDirectoryEntry> found;
        const HRESULT hr = list_->get_Item(index, &found);
        return giveObject<IJHDirectoryEntry>(hr, SUCCEEDED(hr) && found ? new DirectoryEntry(found) : nullptr, entry);
    }

private:
    std::shared_ptr<dnc::IJHDirectoryEntryList> list_;
};

class FileSystem final : public ServerObject<IJHFileSystem> {
public:
    explicit FileSystem(std::shared_ptr<dnc::IJHFileSystem> files)
        : ServerObject(IID_IJHFileSystem), files_(std::move(files)) {}
    HRESULT STDMETHODCALLTYPE TransmitFile(BSTR local, BSTR cnc) override {
        return files_->TransmitFile(fromBstr(local), fromBstr(cnc));
    }
    HRESULT STDMETHODCALLTYPE ReceiveFile(BSTR cnc, BSTR local) override {
        return files_->ReceiveFile(fromBstr(cnc), fromBstr(local));
    }
    HRESULT STDMETHODCALLTYPE ReadDirectory(BSTR path, IJHFileAttributes* mustHave, IJHFileAttributes* mustNotHave,
                                            IJHDirectoryEntryList** entries) override {
        std::shared_ptr<dnc::IJHDirectoryEntryList> found;
        const HRESULT hr = files_->ReadDirectory(fromBstr(path), simulatedAttributes(mustHave),
                                                 simulatedAttributes(mustNotHave), &found);
        return giveObject<IJHDirectoryEntryList>(hr, SUCCEEDED(hr) && found ? new DirectoryEntryList(found) : nullptr,
                                                 entries);
    }
    HRESULT STDMETHODCALLTYPE MakeDirectory(BSTR path) override { return files_->MakeDirectory(fromBstr(path)); }
    HRESULT STDMETHODCALLTYPE DeleteDirectory(BSTR path) override { return files_->DeleteDirectory(fromBstr(path)); }
    HRESULT STDMETHODCALLTYPE DeleteFile(BSTR path) override { return files_->DeleteFile(fromBstr(path)); }
    HRESULT STDMETHODCALLTYPE CopyFile(BSTR source, BSTR destination) override {
        return files_->CopyFile(fromBstr(source), fromBstr(destination));
    }

private:
    std::shared_ptr<dnc::IJHFileSystem> files_;
};

}  // namespace

IJHFileSystem* newFileSystem(std::shared_ptr<dnc::IJHFileSystem> fileSystem) {
    return fileSystem ? new FileSystem(std::move(fileSystem)) : nullptr;
}

IJHFileAttributes* newFileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes) {
    return attributes ? new FileAttributes(std::move(attributes)) : nullptr;
}

std::shared_ptr<dnc::IJHFileAttributes> simulatedAttributes(IJHFileAttributes* attributes) {
    auto* ours = dynamic_cast<FileAttributes*>(attributes);
    return ours ? ours->simulated() : nullptr;
}

}  // namespace dncsimcom
