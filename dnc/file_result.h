#pragma once
// Result codes of the CNC file system operations.
#include "dnc/result.h"

namespace dnc {

inline constexpr HRESULT kDriveNotAllowed = code(0x800404BF);      // access to the drive not allowed
inline constexpr HRESULT kDirectoryNotEmpty = code(0x800404C0);
inline constexpr HRESULT kDirectoryExists = code(0x800404C1);
inline constexpr HRESULT kDirectoryNotFound = code(0x800404C4);
inline constexpr HRESULT kFileExists = code(0x800404C5);
inline constexpr HRESULT kInvalidFileName = code(0x800404C7);
inline constexpr HRESULT kFileNotFound = code(0x800404C8);
inline constexpr HRESULT kRemoteFileNotFound = code(0x800404CE);  // also: its directory is missing
inline constexpr HRESULT kRemoteFileExists = code(0x800404CF);
inline constexpr HRESULT kLocalFileNotOpened = code(0x800404D6);

}  // namespace dnc
