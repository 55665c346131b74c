#pragma once
// Texts at the COM boundary: BSTRs are UTF-16, our texts UTF-8 (dnc/variant.h).
#include <oaidl.h>

#include <string>

namespace dnccom {

// A new BSTR that the receiver frees; null only when memory runs out.
BSTR toBstr(const std::string& utf8);
// A null BSTR is the empty text.
std::string fromBstr(BSTR text);

// An owned BSTR for an in argument.
class Bstr {
public:
    explicit Bstr(const std::string& utf8) : text_(toBstr(utf8)) {}
    ~Bstr() { SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return text_; }

private:
    BSTR text_;
};

}  // namespace dnccom
