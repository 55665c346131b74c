#pragma once
// Result codes of the CNC SDK: signed 32-bit, negative is failure.
#include <cstdint>

namespace dnc {

using HRESULT = std::int32_t;

constexpr HRESULT code(std::uint32_t bits) { return static_cast<HRESULT>(bits); }
constexpr bool failed(HRESULT hr) { return hr < 0; }
constexpr bool succeeded(HRESULT hr) { return hr >= 0; }

inline constexpr HRESULT kOk = 0;
inline constexpr HRESULT kFalse = 1;
inline constexpr HRESULT kNotImplemented = code(0x80004001);   // E_NOTIMPL
inline constexpr HRESULT kNoInterface = code(0x80004002);      // E_NOINTERFACE
inline constexpr HRESULT kPointer = code(0x80004003);          // E_POINTER
inline constexpr HRESULT kFail = code(0x80004005);             // E_FAIL
inline constexpr HRESULT kInvalidArg = code(0x80070057);       // E_INVALIDARG
inline constexpr HRESULT kParamNotFound = code(0x80020004);    // DISP_E_PARAMNOTFOUND: omitted optional argument
inline constexpr HRESULT kClassNotRegistered = code(0x80040154);
inline constexpr HRESULT kGeneralFailure = code(0x80040201);
inline constexpr HRESULT kNoConnection = code(0x80040200);  // CONNECT_E_NOCONNECTION: unknown Unadvise cookie
// The link to the CNC is gone.
inline constexpr HRESULT kCommunicationFailure = code(0x80040262);
inline constexpr HRESULT kConnectionLost = code(0x800406CC);
// DncServer not on line: the CNC could not be contacted.
inline constexpr HRESULT kNotOnLine = code(0x80040266);
inline constexpr HRESULT kBadParameter = code(0x80040264);       // a method parameter is incorrect
inline constexpr HRESULT kNoValidItem = code(0x8004027C);        // no such item (e.g. child of a range)
inline constexpr HRESULT kRecordNotAvailable = code(0x800402C8); // no record matches
inline constexpr HRESULT kRecordLocked = code(0x800402CB);
inline constexpr HRESULT kStillConnected = code(0x800406B1);     // not allowed while connected
inline constexpr HRESULT kNotConnected = code(0x800406B2);       // not possible when not connected

// The one list of codes that mean the link to the CNC is gone, whichever call answers them.
constexpr bool isLostLink(HRESULT hr) {
    return hr == kCommunicationFailure || hr == kConnectionLost || hr == kNotOnLine || hr == kNotConnected;
}

}  // namespace dnc
