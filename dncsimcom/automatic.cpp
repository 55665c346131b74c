// Program control of the simulated component and its automatic events.
#include "dnccom/text.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

using dnccom::fromBstr;
using dnccom::toDncVariant;

Var date(double value) { return Var::from(dnc::Variant::fromReal(dnc::VT_DATE, value)); }

Var objectArgument(IDispatch* object) {
    Var value = Var::dispatch(object);
    if (object) object->Release();  // the value holds the one reference
    return value;
}

class AutomaticEvents final : public dnc::IJHAutomaticEvents3 {
public:
    explicit AutomaticEvents(ComPtr<IDispatch> sink) : sink_(std::move(sink)) {}
    dnc::HRESULT OnProgramStatusChanged(std::int32_t programEvent) override {
        return fire(sink_.get(), 1, Var::i4(programEvent));
    }
    dnc::HRESULT OnDncModeChanged(std::int32_t dncMode) override { return fire(sink_.get(), 2, Var::i4(dncMode)); }
    dnc::HRESULT OnExecutionMessage(std::int32_t channel, const dnc::Variant& value, const std::string& message) override {
        return fire(sink_.get(), 3, Var::i4(channel), Var::from(value), Var::text(message));
    }
    dnc::HRESULT OnProgramChanged(std::int32_t channel, double timeStamp, const std::string& programPath) override {
        return fire(sink_.get(), 4, Var::i4(channel), date(timeStamp), Var::text(programPath));
    }
    dnc::HRESULT OnToolChanged(std::int32_t channel, std::shared_ptr<dnc::IJHToolId> toolOut,
                               std::shared_ptr<dnc::IJHToolId> toolIn, double timeStamp) override {
        return fire(sink_.get(), 5, Var::i4(channel), objectArgument(newToolId(std::move(toolOut))),
                    objectArgument(newToolId(std::move(toolIn))), date(timeStamp));
    }

private:
    ComPtr<IDispatch> sink_;
};

class ToolId final : public ServerObject<IJHToolId> {
public:
    explicit ToolId(std::shared_ptr<dnc::IJHToolId> tool) : ServerObject(IID_IJHToolId), tool_(std::move(tool)) {}
    HRESULT STDMETHODCALLTYPE get_toolId(LONG* value) override { return read(&dnc::IJHToolId::get_toolId, value); }
    HRESULT STDMETHODCALLTYPE get_spareToolId(LONG* value) override {
        return read(&dnc::IJHToolId::get_spareToolId, value);
    }
    HRESULT STDMETHODCALLTYPE get_toolIndex(LONG* value) override { return read(&dnc::IJHToolId::get_toolIndex, value); }

private:
    HRESULT read(dnc::HRESULT (dnc::IJHToolId::*getter)(std::int32_t*), LONG* out) {
        std::int32_t value = 0;
        const HRESULT hr = ((*tool_).*getter)(&value);
        if (SUCCEEDED(hr)) *out = value;
        return hr;
    }
    std::shared_ptr<dnc::IJHToolId> tool_;
};

class Automatic final : public EventServerObject<IJHAutomatic> {
public:
    explicit Automatic(std::shared_ptr<dnc::IJHAutomatic> automatic)
        : EventServerObject(IID_IJHAutomatic, DIID__IJHAutomaticEvents3), automatic_(std::move(automatic)) {}

    HRESULT STDMETHODCALLTYPE SelectProgram(LONG channel, BSTR name, VARIANT startBlock) override {
        return automatic_->SelectProgram(channel, fromBstr(name), toDncVariant(startBlock));
    }
    HRESULT STDMETHODCALLTYPE StartProgram(BSTR name, VARIANT options) override {
        return automatic_->StartProgram(fromBstr(name), toDncVariant(options));
    }
    HRESULT STDMETHODCALLTYPE StopProgram(LONG channel, VARIANT_BOOL atBlockEnd) override {
        return automatic_->StopProgram(channel, atBlockEnd);
    }
    HRESULT STDMETHODCALLTYPE CancelProgram(LONG channel) override { return automatic_->CancelProgram(channel); }
    HRESULT STDMETHODCALLTYPE SetExecutionMode(LONG mode) override { return automatic_->SetExecutionMode(mode); }
    HRESULT STDMETHODCALLTYPE GetProgramStatus(LONG* status) override {
        return number(&dnc::IJHAutomatic::GetProgramStatus, status);
    }
    HRESULT STDMETHODCALLTYPE GetDncMode(LONG* mode) override { return number(&dnc::IJHAutomatic::GetDncMode, mode); }
    HRESULT STDMETHODCALLTYPE GetExecutionPoint(VARIANT* program, IUnknown** position) override {
        dnc::Variant path;
        std::shared_ptr<dnc::Object> where;
        const HRESULT hr = automatic_->GetExecutionPoint(&path, &where);
        giveVariant(hr, path, program);
        return giveObject(hr, SUCCEEDED(hr) ? newPlainObject(where) : nullptr, position);
    }
    HRESULT STDMETHODCALLTYPE ClearControl() override { return automatic_->ClearControl(); }
    HRESULT STDMETHODCALLTYPE GetOverrideInfo(VARIANT* feed, VARIANT* speed, VARIANT* rapid) override {
        dnc::Variant f, s, r;
        const HRESULT hr = automatic_->GetOverrideInfo(&f, &s, &r);
        giveVariant(hr, f, feed);
        giveVariant(hr, s, speed);
        return giveVariant(hr, r, rapid);
    }
    HRESULT STDMETHODCALLTYPE SetOverrideFeed(LONG percentage) override { return automatic_->SetOverrideFeed(percentage); }
    HRESULT STDMETHODCALLTYPE SetOverrideSpeed(LONG percentage) override {
        return automatic_->SetOverrideSpeed(percentage);
    }
    HRESULT STDMETHODCALLTYPE SetOverrideRapid(LONG percentage) override {
        return automatic_->SetOverrideRapid(percentage);
    }

    HRESULT adviseSink(ComPtr<IDispatch> sink, DWORD* cookie) override {
        return adviseWrapped<AutomaticEvents>(*automatic_, std::move(sink), cookie);
    }
    HRESULT unadviseSink(DWORD cookie) override { return automatic_->Unadvise(cookie); }

private:
    HRESULT number(dnc::HRESULT (dnc::IJHAutomatic::*read)(std::int32_t*), LONG* out) {
        std::int32_t value = 0;
        const HRESULT hr = ((*automatic_).*read)(&value);
        if (SUCCEEDED(hr)) *out = value;
        return hr;
    }
    std::shared_ptr<dnc::IJHAutomatic> automatic_;
};

class PlainObject final : public IUnknown {
public:
    explicit PlainObject(std::shared_ptr<dnc::Object> object) : object_(std::move(object)) { objectCreated(); }
    ~PlainObject() { objectDestroyed(); }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = IsEqualIID(iid, IID_IUnknown) ? static_cast<IUnknown*>(this) : nullptr;
        if (*object == nullptr) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) delete this;
        return left;
    }

private:
    std::atomic<ULONG> references_{1};
    std::shared_ptr<dnc::Object> object_;
};

}  // namespace

IJHAutomatic* newAutomatic(std::shared_ptr<dnc::IJHAutomatic> automatic) {
    return automatic ? new Automatic(std::move(automatic)) : nullptr;
}

IJHToolId* newToolId(std::shared_ptr<dnc::IJHToolId> tool) { return tool ? new ToolId(std::move(tool)) : nullptr; }

IUnknown* newPlainObject(std::shared_ptr<dnc::Object> object) {
    return object ? new PlainObject(std::move(object)) : nullptr;
}

}  // namespace dncsimcom
