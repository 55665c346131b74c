// The machine object and the connection list of the simulated component.
#include "dncsimcom/convert.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

// Our interface kinds are numbered from 101; the simulated controller's from 1.
constexpr LONG kInterfaceKindOffset = 100;

IUnknown* interfaceObject(dnc::DNC_INTERFACE_OBJECT kind, const std::shared_ptr<dnc::Object>& object) {
    if (!object) return nullptr;
    auto as = [&](auto typed) { return object->QueryInterface(&typed) == dnc::kOk ? typed : nullptr; };
    switch (kind) {
        case dnc::DNC_INTERFACE_JHAUTOMATIC:
            return newAutomatic(as(std::shared_ptr<dnc::IJHAutomatic>()));
        case dnc::DNC_INTERFACE_JHDATAACCESS:
            return newDataAccess(as(std::shared_ptr<dnc::IJHDataAccess>()));
        case dnc::DNC_INTERFACE_JHERROR: return newError(as(std::shared_ptr<dnc::IJHError>()));
        case dnc::DNC_INTERFACE_JHFILESYSTEM:
            return newFileSystem(as(std::shared_ptr<dnc::IJHFileSystem>()));
        case dnc::DNC_INTERFACE_JHPROCESSDATA:
            return newProcessData(as(std::shared_ptr<dnc::IJHProcessData>()));
        case dnc::DNC_INTERFACE_TNCTABLE: return newItncTable(as(std::shared_ptr<dnc::IJHItncTable>()));
    }
    return newPlainObject(object);
}

class Machine final : public EventServerObject<IJHMachine, _IJHMachineEvents2> {
public:
    explicit Machine(std::shared_ptr<dnc::IJHMachine> machine) : machine_(std::move(machine)) {}

    HRESULT STDMETHODCALLTYPE ListConnections(DNCSIM_CONNECTION_LIST** list) override {
        std::shared_ptr<dnc::IJHConnectionList> found;
        const HRESULT hr = machine_->ListConnections(&found);
        return giveObject(hr, SUCCEEDED(hr) ? newConnectionList(found) : nullptr, list);
    }
#ifdef DNCSIMCOM_FOREIGN
    // The simulated control answers at once; a time-out must still make sense.
    HRESULT STDMETHODCALLTYPE Connect(BSTR name, LONG timeoutMilliseconds) override {
        return timeoutMilliseconds > 0 ? machine_->Connect(textOf(name)) : E_INVALIDARG;
    }
#else
    HRESULT STDMETHODCALLTYPE Connect(BSTR name) override { return machine_->Connect(textOf(name)); }
#endif
    HRESULT STDMETHODCALLTYPE Disconnect() override { return machine_->Disconnect(); }
    HRESULT STDMETHODCALLTYPE GetState(LONG* state) override {
        std::int32_t value = 0;
        const HRESULT hr = machine_->GetState(&value);
        if (SUCCEEDED(hr)) *state = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE GetVersionComInterface(BSTR* version) override {
        std::string text;
        const HRESULT hr = machine_->GetVersionComInterface(&text);
        return giveText(hr, text, version);
    }
    HRESULT STDMETHODCALLTYPE GetInterface(DNCSIM_INTERFACE_KIND kind, IUnknown** object) override {
        const auto ours = static_cast<dnc::DNC_INTERFACE_OBJECT>(kind - kInterfaceKindOffset);
        std::shared_ptr<dnc::Object> found;
        const HRESULT hr = machine_->GetInterface(ours, &found);
        return giveObject(hr, SUCCEEDED(hr) ? interfaceObject(ours, found) : nullptr, object);
    }

    HRESULT adviseSink(IUnknown* sink, DWORD* cookie) override {
        return adviseTo(*machine_, machineEventsTo(sink), cookie);
    }
    HRESULT unadviseSink(DWORD cookie) override { return machine_->Unadvise(cookie); }

private:
    std::shared_ptr<dnc::IJHMachine> machine_;
};

class ConnectionProperty final : public ServerObject<DNCSIM_CONNECTION_PROPERTY> {
public:
    explicit ConnectionProperty(std::shared_ptr<dnc::IJHConnectionProperty> property)
        : property_(std::move(property)) {}
    HRESULT STDMETHODCALLTYPE get_value(VARIANT* value) override {
        dnc::Variant found;
        const HRESULT hr = property_->get_value(&found);
        return giveVariant(hr, found, value);
    }
    HRESULT STDMETHODCALLTYPE put_value(VARIANT value) override { return property_->put_value(simValue(value)); }

private:
    std::shared_ptr<dnc::IJHConnectionProperty> property_;
};

class Connection final : public ServerObject<DNCSIM_CONNECTION> {
public:
    explicit Connection(std::shared_ptr<dnc::IJHConnection> connection) : connection_(std::move(connection)) {}
    HRESULT STDMETHODCALLTYPE get_name(BSTR* name) override {
        std::string text;
        const HRESULT hr = connection_->get_name(&text);
        return giveText(hr, text, name);
    }
    HRESULT STDMETHODCALLTYPE put_name(BSTR name) override { return connection_->put_name(textOf(name)); }
    HRESULT STDMETHODCALLTYPE get_cncType(LONG* cncType) override { return number(&dnc::IJHConnection::get_cncType, cncType); }
    HRESULT STDMETHODCALLTYPE get_protocol(LONG* protocol) override {
        return number(&dnc::IJHConnection::get_protocol, protocol);
    }
    HRESULT STDMETHODCALLTYPE get_ConnectionProperty(DNCSIM_CONNECTION_PROPERTY_KIND kind,
                                                     DNCSIM_CONNECTION_PROPERTY** property) override {
        std::shared_ptr<dnc::IJHConnectionProperty> found;
        const HRESULT hr =
            connection_->get_ConnectionProperty(static_cast<dnc::DNC_CONNECTION_PROPERTY>(kind), &found);
        return giveObject<DNCSIM_CONNECTION_PROPERTY>(
            hr, SUCCEEDED(hr) && found ? new ConnectionProperty(found) : nullptr, property);
    }
    const std::shared_ptr<dnc::IJHConnection>& simulated() const { return connection_; }

private:
    HRESULT number(dnc::HRESULT (dnc::IJHConnection::*read)(std::int32_t*), LONG* out) {
        std::int32_t value = 0;
        const HRESULT hr = ((*connection_).*read)(&value);
        if (SUCCEEDED(hr)) *out = value;
        return hr;
    }
    std::shared_ptr<dnc::IJHConnection> connection_;
};

class ConnectionList final : public ServerObject<DNCSIM_CONNECTION_LIST> {
public:
    explicit ConnectionList(std::shared_ptr<dnc::IJHConnectionList> list) : list_(std::move(list)) {}
    HRESULT STDMETHODCALLTYPE get_Count(LONG* count) override {
        std::int32_t value = 0;
        const HRESULT hr = list_->get_Count(&value);
        if (SUCCEEDED(hr)) *count = value;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_Item(LONG index, DNCSIM_CONNECTION** connection) override {
        std::shared_ptr<dnc::IJHConnection> found;
        const HRESULT hr = list_->get_Item(index, &found);
        return giveObject(hr, SUCCEEDED(hr) ? newConnection(found) : nullptr, connection);
    }
    HRESULT STDMETHODCALLTYPE NewConnection(LONG cncType, LONG protocol, DNCSIM_CONNECTION** connection) override {
        std::shared_ptr<dnc::IJHConnection> made;
        const HRESULT hr = list_->NewConnection(cncType, protocol, &made);
        return giveObject(hr, SUCCEEDED(hr) ? newConnection(made) : nullptr, connection);
    }
    HRESULT STDMETHODCALLTYPE AddConnection(DNCSIM_CONNECTION* connection) override {
        auto simulated = simulatedConnection(connection);
        return simulated ? list_->AddConnection(simulated) : E_INVALIDARG;
    }
    HRESULT STDMETHODCALLTYPE RemoveConnection(LONG index) override { return list_->RemoveConnection(index); }

private:
    std::shared_ptr<dnc::IJHConnectionList> list_;
};

}  // namespace

IJHMachine* newMachine(std::shared_ptr<dnc::IJHMachine> machine) {
    return machine ? new Machine(std::move(machine)) : nullptr;
}

DNCSIM_CONNECTION_LIST* newConnectionList(std::shared_ptr<dnc::IJHConnectionList> list) {
    return list ? new ConnectionList(std::move(list)) : nullptr;
}

DNCSIM_CONNECTION* newConnection(std::shared_ptr<dnc::IJHConnection> connection) {
    return connection ? new Connection(std::move(connection)) : nullptr;
}

std::shared_ptr<dnc::IJHConnection> simulatedConnection(DNCSIM_CONNECTION* connection) {
    auto* ours = dynamic_cast<Connection*>(connection);
    return ours ? ours->simulated() : nullptr;
}

}  // namespace dncsimcom
