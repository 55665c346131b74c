// The error interface of the simulated component and its error events.
#include "dncsimcom/events.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

class ErrorEntry final : public ServerObject<DNCSIM_ERROR_ENTRY> {
public:
    explicit ErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry) : entry_(std::move(entry)) {}
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_ERROR_TEXT)(BSTR* text) override {
        return read(&dnc::IJHErrorEntry::get_text, text);
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_ERROR_GROUP)(BSTR* group) override {
        return read(&dnc::IJHErrorEntry::get_group, group);
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_ERROR_CLASS)(BSTR* errorClass) override {
        return read(&dnc::IJHErrorEntry::get_class, errorClass);
    }
    HRESULT STDMETHODCALLTYPE DNCSIM_GET(DNCSIM_ERROR_NUMBER)(BSTR* number) override {
        return read(&dnc::IJHErrorEntry::get_number, number);
    }

private:
    HRESULT read(dnc::HRESULT (dnc::IJHErrorEntry::*getter)(std::string*), BSTR* out) {
        std::string text;
        const HRESULT hr = ((*entry_).*getter)(&text);
        return giveText(hr, text, out);
    }
    std::shared_ptr<dnc::IJHErrorEntry> entry_;
};

class Error final : public EventServerObject<IJHError, _IJHErrorEvents2> {
public:
    explicit Error(std::shared_ptr<dnc::IJHError> error) : error_(std::move(error)) {}
    HRESULT adviseSink(IUnknown* sink, DWORD* cookie) override { return adviseTo(*error_, errorEventsTo(sink), cookie); }
    HRESULT unadviseSink(DWORD cookie) override { return error_->Unadvise(cookie); }

private:
    std::shared_ptr<dnc::IJHError> error_;
};

}  // namespace

IJHError* newError(std::shared_ptr<dnc::IJHError> error) { return error ? new Error(std::move(error)) : nullptr; }

DNCSIM_ERROR_ENTRY* newErrorEntry(std::shared_ptr<dnc::IJHErrorEntry> entry) {
    return entry ? new ErrorEntry(std::move(entry)) : nullptr;
}

}  // namespace dncsimcom
