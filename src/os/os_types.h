#pragma once
// What every part of the seam shares: the handle type, the room names take,
// and the last errors that more than one concern tells apart.
#include <cstddef>
#include <cstdint>

namespace kvt {

// A Win32 HANDLE, HKEY or HMODULE of either program, at 64 bits whatever the
// build: Win32Os sign-extends the platform's pointer-sized values, so the
// pseudo-handle -1 and the predefined keys read the same in both programs.
using OsHandle = uint64_t;
constexpr OsHandle kInvalidHandleValue = ~OsHandle{0};

// A name of up to MAX_PATH UTF-16 units in UTF-8, with its terminator: no unit
// takes more than three bytes (a surrogate pair is two units and four bytes).
constexpr uint32_t kMaxPathUtf8 = 3 * 260 + 1;
// The platform's fixed records (toolhelp's) hold at most this many units of a
// name: MAX_PATH with the terminator. A name that long may have been cut.
constexpr uint32_t kMaxPathUnits = 260 - 1;
// The longest name the platform has, 32,767 UTF-16 units (an image, module or
// object path), in UTF-8 with its terminator: the room the core gives the
// name calls, so that no name reaches it cut.
constexpr uint32_t kMaxNameUnits = 32767;
constexpr uint32_t kMaxNameUtf8 = 3 * kMaxNameUnits + 1;

// Last errors (and the registry's results) the callers tell apart.
constexpr int32_t kErrorSuccess = 0;
constexpr int32_t kErrorFileNotFound = 2;
constexpr int32_t kErrorInvalidHandle = 6;
constexpr int32_t kErrorMoreData = 234;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorInvalidParameter = 87;
constexpr uint32_t kErrorInsufficientBuffer = 122;
constexpr uint32_t kErrorPartialCopy = 299;

}  // namespace kvt
