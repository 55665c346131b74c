#pragma once
// The CNC's error messages: the error interface only raises events; each
// event carries an error entry with its texts.
#include <string>

#include "dnc/events.h"
#include "dnc/object.h"

namespace dnc {

class IJHErrorEntry : public virtual Object {
public:
    virtual HRESULT get_text(std::string* text) = 0;
    virtual HRESULT get_group(std::string* group) = 0;
    virtual HRESULT get_class(std::string* errorClass) = 0;
    virtual HRESULT get_number(std::string* number) = 0;
};

class IJHError : public EventSource<IJHErrorEvents2> {};

}  // namespace dnc
