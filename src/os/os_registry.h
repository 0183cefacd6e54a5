#pragma once
// The registry and the shell's folders (the location table's sources).
// Registry calls return a Win32 error code; Key is kHkeyLocalMachine or a key
// they opened. The shell's calls are bound by name on first use.
#include <cstdint>

#include "os/os_types.h"

namespace kvt {

constexpr int kCsidlWindows = 36;
constexpr int kCsidlSystem = 37;
constexpr int kCsidlProgramFiles = 38;
constexpr OsHandle kHkeyLocalMachine = 0xFFFFFFFF80000002u;  // (LONG)0x80000002, sign-extended
constexpr uint32_t kKeyRead = 0x20019;
constexpr uint32_t kKeyWow64_64Key = 0x0100;
constexpr uint32_t kKeyWow64_32Key = 0x0200;
constexpr uint32_t kRegSz = 1;
constexpr uint32_t kRegDword = 4;

// A shell item-id list, owned by the caller until CoTaskMemFree.
using OsItemIdList = uint64_t;

struct OsRegistry {
  virtual ~OsRegistry() = default;

  virtual int32_t SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) = 0;
  // Path holds at least 260 bytes.
  virtual bool SHGetPathFromIDListW(OsItemIdList idList, char* path) = 0;
  virtual void CoTaskMemFree(OsItemIdList memory) = 0;
  virtual int32_t RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t options,
                                uint32_t samDesired, OsHandle* result) = 0;
  virtual int32_t RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type,
                                   uint8_t* data, uint32_t* dataSize) = 0;
  virtual int32_t RegCloseKey(OsHandle key) = 0;
};

}  // namespace kvt
