#pragma once
// The objects of the simulated component, each serving one object of the
// simulated controller (dncsim) through the component's interfaces. Each
// function returns a new object with one reference for the caller, or null
// for a null object.
#include <memory>

#include "dnc/dnc.h"
#include "dncsimcom/server_object.h"

namespace dncsimcom {

IJHMachine* newMachine(std::shared_ptr<dnc::IJHMachine> machine);
IJHConnectionList* newConnectionList(std::shared_ptr<dnc::IJHConnectionList> list);
IJHConnection* newConnection(std::shared_ptr<dnc::IJHConnection> connection);
IJHAutomatic* newAutomatic(std::shared_ptr<dnc::IJHAutomatic> automatic);
IJHToolId* newToolId(std::shared_ptr<dnc::IJHToolId> tool);
IJHProcessData* newProcessData(std::shared_ptr<dnc::IJHProcessData> processData);
IJHDataAccess* newDataAccess(std::shared_ptr<dnc::IJHDataAccess> dataAccess);
IJHDataEntry* newDataEntry(std::shared_ptr<dnc::IJHDataEntry> entry);
IJHDataEntryList* newDataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list);
IJHItncTable* newItncTable(std::shared_ptr<dnc::IJHItncTable> table);
IJHFileSystem* newFileSystem(std::shared_ptr<dnc::IJHFileSystem> fileSystem);
IJHFileAttributes* newFileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes);
IJHError* newError(std::shared_ptr<dnc::IJHError> error);
IJHErrorEntry* newErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry);
// An object that is only held, such as an execution position.
IUnknown* newPlainObject(std::shared_ptr<dnc::Object> object);

// The simulated controller's object behind one of ours, or null.
std::shared_ptr<dnc::IJHConnection> simulatedConnection(IJHConnection* connection);
std::shared_ptr<dnc::IJHFileAttributes> simulatedAttributes(IJHFileAttributes* attributes);

// Out values of the component's methods.
HRESULT giveText(HRESULT hr, const std::string& text, BSTR* out);
HRESULT giveVariant(HRESULT hr, const dnc::Variant& value, VARIANT* out);
template <class T>
HRESULT giveObject(HRESULT hr, T* object, T** out) {
    if (FAILED(hr)) {
        if (object) object->Release();
        return hr;
    }
    *out = object;
    return hr;
}

}  // namespace dncsimcom
