// The file system of the simulated component.
#include "dncsimcom/convert.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class FileAttributes final : public ServerObject<DNCSIM_FILE_ATTRIBUTES> {
public:
    explicit FileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes) : attributes_(std::move(attributes)) {}
    HRESULT STDMETHODCALLTYPE DNCSIM_HAS_ATTRIBUTE(DNCSIM_ATTRIBUTE attribute, VARIANT_BOOL* isSet) override {
        dnc::VariantBool flag = 0;
        const HRESULT hr = attributes_->HasAttribute(attribute, &flag);
        if (SUCCEEDED(hr)) *isSet = flag;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_SET_ATTRIBUTE(DNCSIM_ATTRIBUTE attribute, VARIANT_BOOL isSet) override {
        return attributes_->SetAttribute(attribute, isSet);
    }
    const std::shared_ptr<dnc::IJHFileAttributes>& simulated() const { return attributes_; }

private:
    std::shared_ptr<dnc::IJHFileAttributes> attributes_;
};

class DirectoryEntry final : public ServerObject<DNCSIM_DIRECTORY_ENTRY> {
public:
    explicit DirectoryEntry(std::shared_ptr<dnc::IJHDirectoryEntry> entry) : entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE get_name(BSTR* name) override {
        std::string text;
        const HRESULT hr = entry_->get_name(&text);
        return giveText(hr, text, name);
    }
    HRESULT STDMETHODCALLTYPE get_attributes(DNCSIM_FILE_ATTRIBUTES** attributes) override {
        std::shared_ptr<dnc::IJHFileAttributes> found;
        const HRESULT hr = entry_->get_attributes(&found);
        return giveObject(hr, SUCCEEDED(hr) ? newFileAttributes(found) : nullptr, attributes);
    }

private:
    std::shared_ptr<dnc::IJHDirectoryEntry> entry_;
};

class DirectoryEntryList final : public ServerObject<DNCSIM_DIRECTORY_ENTRY_LIST> {
public:
    explicit DirectoryEntryList(std::shared_ptr<dnc::IJHDirectoryEntryList> list) : list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        std::int32_t value = 0;
        const HRESULT hr = list_->get_Count(&value);
        if (SUCCEEDED(hr)) *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, DNCSIM_DIRECTORY_ENTRY** entry) override {
        std::shared_ptr<dnc::IJHDirectoryEntry> found;
        const HRESULT hr = list_->get_Item(index, &found);
        return giveObject<DNCSIM_DIRECTORY_ENTRY>(hr, SUCCEEDED(hr) && found ? new DirectoryEntry(found) : nullptr,
                                                  entry);
    }

private:
    std::shared_ptr<dnc::IJHDirectoryEntryList> list_;
};

class FileSystem final : public ServerObject<IJHFileSystem> {
public:
    explicit FileSystem(std::shared_ptr<dnc::IJHFileSystem> files) : files_(std::move(files)) {}
    HRESULT STDMETHODCALLTYPE TransmitFile(BSTR local, BSTR cnc) override {
        return files_->TransmitFile(textOf(local), textOf(cnc));
    }
    HRESULT STDMETHODCALLTYPE ReceiveFile(BSTR cnc, BSTR local) override {
        return files_->ReceiveFile(textOf(cnc), textOf(local));
    }
#ifdef DNCSIMCOM_FOREIGN
    // The simulated control filters by attributes only: a name pattern, if
    // one is given, must be empty.
    HRESULT STDMETHODCALLTYPE ReadDirectory(BSTR path, DNCSIM_FILE_ATTRIBUTES* mustHave,
                                            DNCSIM_FILE_ATTRIBUTES* mustNotHave, VARIANT namePattern,
                                            DNCSIM_DIRECTORY_ENTRY_LIST** entries) override {
        const bool omitted = namePattern.vt == VT_ERROR && namePattern.scode == DISP_E_PARAMNOTFOUND;
        if (!omitted && namePattern.vt != VT_EMPTY && simValue(namePattern) != dnc::Variant(""))
            return E_INVALIDARG;
        return readDirectory(path, mustHave, mustNotHave, entries);
    }
#else
    HRESULT STDMETHODCALLTYPE ReadDirectory(BSTR path, DNCSIM_FILE_ATTRIBUTES* mustHave,
                                            DNCSIM_FILE_ATTRIBUTES* mustNotHave,
                                            DNCSIM_DIRECTORY_ENTRY_LIST** entries) override {
        return readDirectory(path, mustHave, mustNotHave, entries);
    }
#endif
    HRESULT STDMETHODCALLTYPE MakeDirectory(BSTR path) override { return files_->MakeDirectory(textOf(path)); }
    HRESULT STDMETHODCALLTYPE DeleteDirectory(BSTR path) override { return files_->DeleteDirectory(textOf(path)); }
    HRESULT STDMETHODCALLTYPE DeleteFile(BSTR path) override { return files_->DeleteFile(textOf(path)); }
#ifndef DNCSIMCOM_FOREIGN
    HRESULT STDMETHODCALLTYPE CopyFile(BSTR source, BSTR destination) override {
        return files_->CopyFile(textOf(source), textOf(destination));
    }
#endif

private:
    HRESULT readDirectory(BSTR path, DNCSIM_FILE_ATTRIBUTES* mustHave, DNCSIM_FILE_ATTRIBUTES* mustNotHave,
                          DNCSIM_DIRECTORY_ENTRY_LIST** entries) {
        std::shared_ptr<dnc::IJHDirectoryEntryList> found;
        const HRESULT hr = files_->ReadDirectory(textOf(path), simulatedAttributes(mustHave),
                                                 simulatedAttributes(mustNotHave), &found);
        return giveObject<DNCSIM_DIRECTORY_ENTRY_LIST>(
            hr, SUCCEEDED(hr) && found ? new DirectoryEntryList(found) : nullptr, entries);
    }

    std::shared_ptr<dnc::IJHFileSystem> files_;
};

}  // namespace

IJHFileSystem* newFileSystem(std::shared_ptr<dnc::IJHFileSystem> fileSystem) {
    return fileSystem ? new FileSystem(std::move(fileSystem)) : nullptr;
}

DNCSIM_FILE_ATTRIBUTES* newFileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes) {
    return attributes ? new FileAttributes(std::move(attributes)) : nullptr;
}

std::shared_ptr<dnc::IJHFileAttributes> simulatedAttributes(DNCSIM_FILE_ATTRIBUTES* attributes) {
    auto* ours = dynamic_cast<FileAttributes*>(attributes);
    return ours ? ours->simulated() : nullptr;
}

}  // namespace dncsimcom
