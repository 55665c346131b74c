#include "dnccom/machine.h"

#include "dnccom/automatic.h"
#include "dnccom/connection.h"
#include "dnccom/constants.h"
#include "dnccom/data_access.h"
#include "dnccom/error.h"
#include "dnccom/file_system.h"
#include "dnccom/process_data.h"
#include "dnccom/sinks.h"
#include "dnccom/table.h"

namespace dnccom {
namespace {

template <class Adapter>
std::shared_ptr<dnc::Object> typed(const ComPtr<IUnknown>& object) {
    ComPtr<IDispatch> dispatch;
    if (FAILED(object.queryInterface(Component::instance().interfaceNamed(Adapter::kInterface).dispatchIid(), &dispatch)))
        return std::make_shared<UnknownObject>(object);
    return std::make_shared<Adapter>(std::move(dispatch));
}

// The object as our adapter of the kind's interface; an object without that
// interface stays a plain object, which our QueryInterface then refuses.
std::shared_ptr<dnc::Object> adapterOf(dnc::DNC_INTERFACE_OBJECT kind, const ComPtr<IUnknown>& object) {
    switch (kind) {
        case dnc::DNC_INTERFACE_JHAUTOMATIC: return typed<ComAutomatic>(object);
        case dnc::DNC_INTERFACE_JHDATAACCESS: return typed<ComDataAccess>(object);
        case dnc::DNC_INTERFACE_JHERROR: return typed<ComError>(object);
        case dnc::DNC_INTERFACE_JHFILESYSTEM: return typed<ComFileSystem>(object);
        case dnc::DNC_INTERFACE_JHPROCESSDATA: return typed<ComProcessData>(object);
        case dnc::DNC_INTERFACE_TNCTABLE: return typed<ComItncTable>(object);
    }
    return std::make_shared<UnknownObject>(object);
}

}  // namespace

ComMachine::ComMachine(ComPtr<IDispatch> object)
    : ComObject(std::move(object), Component::instance().interfaceNamed(kInterface)) {}

dnc::HRESULT ComMachine::ListConnections(std::shared_ptr<dnc::IJHConnectionList>* connectionList) {
    if (connectionList == nullptr) return E_POINTER;
    Var result;
    return assignObject<ComConnectionList>(call("ListConnections", {out(result)}), result, connectionList);
}

dnc::HRESULT ComMachine::Connect(const std::string& connectionName) {
    const Var name = Var::text(connectionName);
    return call("Connect", {in(name)});
}

dnc::HRESULT ComMachine::GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) {
    if (object == nullptr) return E_POINTER;
    const Var which = interfaceKind(kind);
    Var result;
    const HRESULT hr = call("GetInterface", {in(which), out(result)});
    if (FAILED(hr)) return hr;
    auto unknown = ComPtr<IUnknown>::attach(result.takeUnknown());
    *object = unknown ? adapterOf(kind, unknown) : nullptr;
    return hr;
}

dnc::HRESULT ComMachine::Advise(std::shared_ptr<dnc::IJHMachineEvents2> sink, std::uint32_t* cookie) {
    if (!sink) return E_POINTER;
    return sinks_.advise(dispatch(), kMachineEvents, machineEventSink(std::move(sink)), cookie);
}

dnc::HRESULT ComMachine::Unadvise(std::uint32_t cookie) { return sinks_.unadvise(dispatch(), kMachineEvents, cookie); }

}  // namespace dnccom
