#pragma once
// Texts are UTF-8 on our side; the Windows API takes UTF-16. These convert
// at that boundary only (Windows builds only).
#include <cstddef>
#include <string>

namespace platform {

// Invalid UTF-8 becomes U+FFFD; an empty text stays empty.
std::wstring toWide(const std::string& utf8);

// Unpaired surrogates become U+FFFD.
std::string toUtf8(const std::wstring& wide);
// The same for `length` units (a counted text such as a BSTR); null is empty.
std::string toUtf8(const wchar_t* wide, std::size_t length);

}  // namespace platform
