#include "dnccom/file_system.h"

#include "dnccom/constants.h"

namespace dnccom {

ComFileAttributes::ComFileAttributes(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComFileAttributes::HasAttribute(std::int32_t attribute, dnc::VariantBool* isSet) {
    return get("HasAttribute", fileAttribute(attribute), isSet);
}

dnc::HRESULT ComFileAttributes::SetAttribute(std::int32_t attribute, dnc::VariantBool isSet) {
    const Var which = fileAttribute(attribute);
    const Var flag = Var::boolean(isSet);
    return call("SetAttribute", {in(which), in(flag)});
}

ComDirectoryEntry::ComDirectoryEntry(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDirectoryEntry::get_attributes(std::shared_ptr<dnc::IJHFileAttributes>* attributes) {
    if (attributes == nullptr) return E_POINTER;
    Var result;
    return assignObject<ComFileAttributes>(call("get_attributes", {out(result)}), result, attributes);
}

ComDirectoryEntryList::ComDirectoryEntryList(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComDirectoryEntryList::get_Item(std::int32_t index, std::shared_ptr<dnc::IJHDirectoryEntry>* entry) {
    if (entry == nullptr) return E_POINTER;
    const Var at = Var::i4(index);
    Var result;
    return assignObject<ComDirectoryEntry>(call("get_Item", {in(at), out(result)}), result, entry);
}

ComFileSystem::ComFileSystem(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComFileSystem::ReadDirectory(const std::string& path, std::shared_ptr<dnc::IJHFileAttributes> mustHave,
                                     std::shared_ptr<dnc::IJHFileAttributes> mustNotHave,
                                     std::shared_ptr<dnc::IJHDirectoryEntryList>* entries) {
    if (entries == nullptr) return E_POINTER;
    const Var where = Var::text(path);
    const Var have = Var::dispatch(componentDispatch(mustHave.get()));
    const Var haveNot = Var::dispatch(componentDispatch(mustNotHave.get()));
    Var result;
    return assignObject<ComDirectoryEntryList>(
        call("ReadDirectory", {in(where), in(have), in(haveNot), out(result)}), result, entries);
}

dnc::HRESULT ComFileSystem::oneText(const char* method, const std::string& text) const {
    const Var given = Var::text(text);
    return call(method, {in(given)});
}

dnc::HRESULT ComFileSystem::twoTexts(const char* method, const std::string& first, const std::string& second) const {
    const Var one = Var::text(first);
    const Var two = Var::text(second);
    return call(method, {in(one), in(two)});
}

}  // namespace dnccom
