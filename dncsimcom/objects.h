#pragma once
// The objects of the simulated component, each serving one object of the
// simulated controller (dncsim) through the component's interfaces (named
// per variant, see names.h). Each function returns a new object with one
// reference for the caller, or null for a null object.
#include <memory>

#include "dnc/dnc.h"
#include "dncsimcom/server_object.h"

namespace dncsimcom {

IJHMachine* newMachine(std::shared_ptr<dnc::IJHMachine> machine);
DNCSIM_CONNECTION_LIST* newConnectionList(std::shared_ptr<dnc::IJHConnectionList> list);
DNCSIM_CONNECTION* newConnection(std::shared_ptr<dnc::IJHConnection> connection);
IJHAutomatic* newAutomatic(std::shared_ptr<dnc::IJHAutomatic> automatic);
DNCSIM_TOOL_ID* newToolId(std::shared_ptr<dnc::IJHToolId> tool);
IJHProcessData* newProcessData(std::shared_ptr<dnc::IJHProcessData> processData);
IJHDataAccess* newDataAccess(std::shared_ptr<dnc::IJHDataAccess> dataAccess);
DNCSIM_DATA_ENTRY* newDataEntry(std::shared_ptr<dnc::IJHDataEntry> entry);
DNCSIM_DATA_ENTRY_LIST* newDataEntryList(std::shared_ptr<dnc::IJHDataEntryList> list);
IJHItncTable* newItncTable(std::shared_ptr<dnc::IJHItncTable> table);
IJHFileSystem* newFileSystem(std::shared_ptr<dnc::IJHFileSystem> fileSystem);
DNCSIM_FILE_ATTRIBUTES* newFileAttributes(std::shared_ptr<dnc::IJHFileAttributes> attributes);
IJHError* newError(std::shared_ptr<dnc::IJHError> error);
DNCSIM_ERROR_ENTRY* newErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry);
// An object that is only held, such as an execution position.
IUnknown* newPlainObject(std::shared_ptr<dnc::Object> object);

// The simulated controller's object behind one of ours, or null.
std::shared_ptr<dnc::IJHConnection> simulatedConnection(DNCSIM_CONNECTION* connection);
std::shared_ptr<dnc::IJHFileAttributes> simulatedAttributes(DNCSIM_FILE_ATTRIBUTES* attributes);

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
