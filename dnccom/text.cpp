#include "dnccom/text.h"

#include "platform/wide_text.h"

namespace dnccom {

BSTR toBstr(const std::string& utf8) {
    const std::wstring wide = platform::toWide(utf8);
    return SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
}

std::string fromBstr(BSTR text) { return text ? platform::toUtf8(text, SysStringLen(text)) : std::string(); }

}  // namespace dnccom
