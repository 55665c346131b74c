// The table interface of the simulated older controls.
#include "dncsimcom/convert.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

// One-dimensional SAFEARRAYs, from index 0, of texts and of numbers.
HRESULT putElement(SAFEARRAY* array, LONG index, const std::string& text) {
    BSTR element = bstrOf(text);
    const HRESULT hr = SafeArrayPutElement(array, &index, element);  // copies the text
    SysFreeString(element);
    return hr;
}
HRESULT putElement(SAFEARRAY* array, LONG index, std::int32_t number) {
    LONG element = number;
    return SafeArrayPutElement(array, &index, &element);
}

template <class T>
HRESULT giveArray(HRESULT hr, VARTYPE type, const std::vector<T>& values, SAFEARRAY** out) {
    if (FAILED(hr)) return hr;
    SAFEARRAY* array = SafeArrayCreateVector(type, 0, static_cast<ULONG>(values.size()));
    if (array == nullptr) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (const HRESULT put = putElement(array, static_cast<LONG>(i), values[i]); FAILED(put)) {
            SafeArrayDestroy(array);
            return put;
        }
    }
    *out = array;
    return hr;
}

class ItncTable final : public ServerObject<IJHItncTable> {
public:
    explicit ItncTable(std::shared_ptr<dnc::IJHItncTable> table) : table_(std::move(table)) {}
    HRESULT STDMETHODCALLTYPE GetTableInfo(BSTR name, SAFEARRAY** titles, SAFEARRAY** positions) override {
        std::vector<std::string> names;
        std::vector<std::int32_t> offsets;
        const HRESULT hr = table_->GetTableInfo(textOf(name), &names, &offsets);
        const HRESULT given = giveArray(hr, VT_BSTR, names, titles);
        return FAILED(given) ? given : giveArray(hr, VT_I4, offsets, positions);
    }
    HRESULT STDMETHODCALLTYPE ReceiveTableLines(BSTR name, BSTR query, SAFEARRAY** lines) override {
        std::vector<std::string> found;
        const HRESULT hr = table_->ReceiveTableLines(textOf(name), textOf(query), &found);
        return giveArray(hr, VT_BSTR, found, lines);
    }
    HRESULT STDMETHODCALLTYPE TransmitTablePart(BSTR file, BSTR name) override {
        return table_->TransmitTablePart(textOf(file), textOf(name));
    }
    HRESULT STDMETHODCALLTYPE DeleteRecord(BSTR name, BSTR query) override {
        return table_->DeleteRecord(textOf(name), textOf(query));
    }

private:
    std::shared_ptr<dnc::IJHItncTable> table_;
};

}  // namespace

IJHItncTable* newItncTable(std::shared_ptr<dnc::IJHItncTable> table) {
    return table ? new ItncTable(std::move(table)) : nullptr;
}

}  // namespace dncsimcom
