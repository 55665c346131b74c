#pragma once
// The component's machine object.
#include "dnc/machine.h"
#include "dnccom/event_sink.h"
#include "dnccom/object.h"

namespace dnccom {

class ComMachine final : public dnc::IJHMachine, public ComObject {
public:
    static constexpr const char* kInterface = "IJHMachine";
    explicit ComMachine(ComPtr<IDispatch> object);

    dnc::HRESULT ListConnections(std::shared_ptr<dnc::IJHConnectionList>* connectionList) override;
    dnc::HRESULT Connect(const std::string& connectionName) override;
    dnc::HRESULT Disconnect() override { return call("Disconnect", {}); }
    dnc::HRESULT GetState(std::int32_t* state) override { return get("GetState", state); }
    dnc::HRESULT GetVersionComInterface(std::string* version) override { return get("GetVersionComInterface", version); }
    dnc::HRESULT GetInterface(dnc::DNC_INTERFACE_OBJECT kind, std::shared_ptr<dnc::Object>* object) override;
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHMachineEvents2> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

private:
    AttachedSinks sinks_;
};

}  // namespace dnccom
