#pragma once
// The simulated error interface: a source of error events only. The errors
// of a control reach every sink advised on any of its error interfaces.
#include <string>

#include "dnc/error.h"
#include "dncsim/bound_object.h"

namespace dncsim {

// One message of the control as the error events carry it.
class ErrorEntry final : public dnc::IJHErrorEntry {
public:
    ErrorEntry(std::string text, std::string group, std::string errorClass, std::string number)
        : text_(std::move(text)), group_(std::move(group)), class_(std::move(errorClass)), number_(std::move(number)) {}

    dnc::HRESULT get_text(std::string* text) override { return give(text_, text); }
    dnc::HRESULT get_group(std::string* group) override { return give(group_, group); }
    dnc::HRESULT get_class(std::string* errorClass) override { return give(class_, errorClass); }
    dnc::HRESULT get_number(std::string* number) override { return give(number_, number); }

private:
    static dnc::HRESULT give(const std::string& value, std::string* out) {
        if (out == nullptr) return dnc::kPointer;
        *out = value;
        return dnc::kOk;
    }

    const std::string text_;
    const std::string group_;
    const std::string class_;
    const std::string number_;
};

class Error final : public dnc::IJHError, private BoundObject {
public:
    Error(std::shared_ptr<ControllerLink> link, EventPump& pump) : BoundObject(std::move(link), pump) {}

    dnc::HRESULT Advise(std::shared_ptr<dnc::IJHErrorEvents2> sink, std::uint32_t* cookie) override {
        return advise(link_->controller().errorSinks(), std::move(sink), cookie);
    }
    dnc::HRESULT Unadvise(std::uint32_t cookie) override { return unadvise(link_->controller().errorSinks(), cookie); }
};

}  // namespace dncsim
