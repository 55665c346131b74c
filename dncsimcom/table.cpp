// The table interface of the simulated older controls.
#include "dnccom/text.h"
#include "dnccom/var.h"
#include "dncsimcom/objects.h"

namespace dncsimcom {
namespace {

using dnccom::fromBstr;

template <class T>
HRESULT giveArray(HRESULT hr, dnc::VARTYPE type, const std::vector<T>& values, SAFEARRAY** out) {
    if (FAILED(hr)) return hr;
    std::vector<dnc::Variant> elements(values.begin(), values.end());
    VARIANT array;
    const HRESULT made = dnccom::toComVariant(dnc::Variant::array(type, std::move(elements)), &array);
    if (FAILED(made)) return made;
    *out = array.parray;
    return hr;
}

class ItncTable final : public ServerObject<IJHItncTable> {
public:
    explicit ItncTable(std::shared_ptr<dnc::IJHItncTable> table)
        : ServerObject(IID_IJHItncTable), table_(std::move(table)) {}
    HRESULT STDMETHODCALLTYPE GetTableInfo(BSTR name, SAFEARRAY** titles, SAFEARRAY** positions) override {
        std::vector<std::string> names;
        std::vector<std::int32_t> offsets;
        const HRESULT hr = table_->GetTableInfo(fromBstr(name), &names, &offsets);
        const HRESULT given = giveArray(hr, dnc::VT_BSTR, names, titles);
        return FAILED(given) ? given : giveArray(hr, dnc::VT_I4, offsets, positions);
    }
    HRESULT STDMETHODCALLTYPE ReceiveTableLines(BSTR name, BSTR query, SAFEARRAY** lines) override {
        std::vector<std::string> found;
        const HRESULT hr = table_->ReceiveTableLines(fromBstr(name), fromBstr(query), &found);
        return giveArray(hr, dnc::VT_BSTR, found, lines);
    }
    HRESULT STDMETHODCALLTYPE TransmitTablePart(BSTR file, BSTR name) override {
        return table_->TransmitTablePart(fromBstr(file), fromBstr(name));
    }
    HRESULT STDMETHODCALLTYPE DeleteRecord(BSTR name, BSTR query) override {
        return table_->DeleteRecord(fromBstr(name), fromBstr(query));
    }

private:
    std::shared_ptr<dnc::IJHItncTable> table_;
};

}  // namespace

IJHItncTable* newItncTable(std::shared_ptr<dnc::IJHItncTable> table) {
    return table ? new ItncTable(std::move(table)) : nullptr;
}

}  // namespace dncsimcom
