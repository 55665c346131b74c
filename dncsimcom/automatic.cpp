// Program control of the simulated component and its automatic events.
#include "dncsimcom/convert.h"
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class ToolId final : public ServerObject<DNCSIM_TOOL_ID> {
public:
    explicit ToolId(std::shared_ptr<dnc::IJHToolId> tool) : tool_(std::move(tool)) {}
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_TOOL_NUMBER)(LONG* value) override {
        return read(&dnc::IJHToolId::get_toolId, value);
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_TOOL_SPARE)(LONG* value) override {
        return read(&dnc::IJHToolId::get_spareToolId, value);
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_TOOL_INDEX)(LONG* value) override {
        return read(&dnc::IJHToolId::get_toolIndex, value);
    }

private:
    HRESULT read(dnc::HRESULT (dnc::IJHToolId::*getter)(std::int32_t*), LONG* out) {
        std::int32_t value = 0;
        const HRESULT hr = ((*tool_).*getter)(&value);
        if (SUCCEEDED(hr)) *out = value;
        return hr;
    }
    std::shared_ptr<dnc::IJHToolId> tool_;
};

class Automatic final : public EventServerObject<IJHAutomatic, _IJHAutomaticEvents3> {
public:
    explicit Automatic(std::shared_ptr<dnc::IJHAutomatic> automatic) : automatic_(std::move(automatic)) {}

    HRESULT STDMETHODCALLTYPE SelectProgram(LONG channel, BSTR name, VARIANT startBlock) override {
        return automatic_->SelectProgram(channel, textOf(name), simValue(startBlock));
    }
    HRESULT STDMETHODCALLTYPE StartProgram(BSTR name, VARIANT options) override {
        return automatic_->StartProgram(textOf(name), simValue(options));
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

    HRESULT adviseSink(IUnknown* sink, DWORD* cookie) override {
        return adviseTo(*automatic_, automaticEventsTo(sink), cookie);
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

DNCSIM_TOOL_ID* newToolId(std::shared_ptr<dnc::IJHToolId> tool) { return tool ? new ToolId(std::move(tool)) : nullptr; }

IUnknown* newPlainObject(std::shared_ptr<dnc::Object> object) {
    return object ? new PlainObject(std::move(object)) : nullptr;
}

}  // namespace dncsimcom
