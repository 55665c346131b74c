// The error interface of the simulated component and its error events.
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class ErrorEntry final : public ServerObject<IJHErrorEntry> {
public:
    explicit ErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry)
        : ServerObject(IID_IJHErrorEntry), entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE get_text(BSTR* text) override { return read(&dnc::IJHErrorEntry::get_text, text); }
    HRESULT STDMETHODCALLTYPE get_group(BSTR* group) override { return read(&dnc::IJHErrorEntry::get_group, group); }
    HRESULT STDMETHODCALLTYPE get_class(BSTR* errorClass) override {
        return read(&dnc::IJHErrorEntry::get_class, errorClass);
    }
    HRESULT STDMETHODCALLTYPE get_number(BSTR* number) override { return read(&dnc::IJHErrorEntry::get_number, number); }

private:
    HRESULT read(dnc::HRESULT (dnc::IJHErrorEntry::*getter)(std::string*), BSTR* out) {
        std::string text;
        const HRESULT hr = ((*entry_).*getter)(&text);
        return giveText(hr, text, out);
    }
    std::shared_ptr<dnc::IJHErrorEntry> entry_;
};

class ErrorEvents final : public dnc::IJHErrorEvents2 {
public:
    explicit ErrorEvents(ComPtr<IDispatch> sink) : sink_(std::move(sink)) {}
    dnc::HRESULT OnError2(std::shared_ptr<dnc::IJHErrorEntry> error) override { return forward(3, std::move(error)); }
    dnc::HRESULT OnErrorCleared2(std::shared_ptr<dnc::IJHErrorEntry> error) override {
        return forward(4, std::move(error));
    }

private:
    HRESULT forward(DISPID id, std::shared_ptr<dnc::IJHErrorEntry> error) {
        IJHErrorEntry* entry = newErrorEntry(std::move(error));
        Var argument = Var::dispatch(entry);
        if (entry) entry->Release();
        return fire(sink_.get(), id, argument);
    }
    ComPtr<IDispatch> sink_;
};

class Error final : public EventServerObject<IJHError> {
public:
    explicit Error(std::shared_ptr<dnc::IJHError> error)
        : EventServerObject(IID_IJHError, DIID__IJHErrorEvents2), error_(std::move(error)) {}
    HRESULT adviseSink(ComPtr<IDispatch> sink, DWORD* cookie) override {
        return adviseWrapped<ErrorEvents>(*error_, std::move(sink), cookie);
    }
    HRESULT unadviseSink(DWORD cookie) override { return error_->Unadvise(cookie); }

private:
    std::shared_ptr<dnc::IJHError> error_;
};

}  // namespace

IJHError* newError(std::shared_ptr<dnc::IJHError> error) { return error ? new Error(std::move(error)) : nullptr; }

IJHErrorEntry* newErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry) {
    return entry ? new ErrorEntry(std::move(entry)) : nullptr;
}

}  // namespace dncsimcom
