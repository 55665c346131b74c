#pragma once
// The CNC's file system: transfers between a local file and a CNC path
// (TNC:\nc_prog\part.h), directories and file operations.
#include <cstdint>
#include <memory>
#include <string>

#include "dnc/object.h"
#include "dnc/variant.h"

// windows.h renames these to their ANSI variants, which would rename our
// methods too in some files and not in others.
#ifdef _WIN32
#undef DeleteFile
#undef CopyFile
#endif

namespace dnc {

enum DNC_ATTRIBUTE : std::int32_t {
    DNC_ATTRIBUTE_READONLY = 0,
    DNC_ATTRIBUTE_HIDDEN = 1,
    DNC_ATTRIBUTE_DIRECTORY = 2,
};

// A set of attributes: of a directory entry, or a filter of ReadDirectory.
// A new one (MachineFactory::CreateFileAttributes) has none set.
class IJHFileAttributes : public virtual Object {
public:
    virtual HRESULT HasAttribute(std::int32_t attribute, VariantBool* isSet) = 0;
    virtual HRESULT SetAttribute(std::int32_t attribute, VariantBool isSet) = 0;
};

class IJHDirectoryEntry : public virtual Object {
public:
    virtual HRESULT get_name(std::string* name) = 0;
    virtual HRESULT get_attributes(std::shared_ptr<IJHFileAttributes>* attributes) = 0;
};

class IJHDirectoryEntryList : public virtual Object {
public:
    virtual HRESULT get_Count(std::int32_t* count) = 0;
    virtual HRESULT get_Item(std::int32_t index, std::shared_ptr<IJHDirectoryEntry>* entry) = 0;
};

class IJHFileSystem : public virtual Object {
public:
    virtual HRESULT TransmitFile(const std::string& localPath, const std::string& cncPath) = 0;
    virtual HRESULT ReceiveFile(const std::string& cncPath, const std::string& localPath) = 0;
    // Lists the entries that have every attribute of mustHave and none of
    // mustNotHave (empty sets list everything).
    virtual HRESULT ReadDirectory(const std::string& path, std::shared_ptr<IJHFileAttributes> mustHave,
                                  std::shared_ptr<IJHFileAttributes> mustNotHave,
                                  std::shared_ptr<IJHDirectoryEntryList>* entries) = 0;
    virtual HRESULT MakeDirectory(const std::string& path) = 0;
    virtual HRESULT DeleteDirectory(const std::string& path) = 0;
    virtual HRESULT DeleteFile(const std::string& path) = 0;
    virtual HRESULT CopyFile(const std::string& sourcePath, const std::string& destinationPath) = 0;
};

}  // namespace dnc
