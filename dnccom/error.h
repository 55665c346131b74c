#pragma once
// The component's error interface (events only) and its error entries.
#include "dnc/error.h"
#include "dnccom/event_sink.h"
#include "dnccom/object.h"

namespace dnccom {

class ComErrorEntry final : public dnc::IJHErrorEntry, public ComObject {
public:
    static constexpr const char* kInterface = "IJHErrorEntry";
    explicit ComErrorEntry(ComPtr<IDispatch> object);
    dnc::HRESULT get_text(std::string* text) override { return get("get_text", text); }
    dnc::HRESULT get_group(std::string* group) override { return get("get_group", group); }
    dnc::HRESULT get_class(std::string* errorClass) override { return get("get_class", errorClass); }
    dnc::HRESULT get_number(std::string* number) override { return get("get_number", number); }
};

class ComError final : public dnc::IJHError, public ComObject {
public:
    static constexpr const char* kInterface = "IJHError";
    explicit ComError(ComPtr<IDispatch> object);
    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHErrorEvents2> sink, std::uint32_t* cookie) override;
    dnc::HRESULT Unadvise(std::uint32_t cookie) override;

private:
    AttachedSinks sinks_;
};

}  // namespace dnccom
