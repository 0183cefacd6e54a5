#pragma once
// Reading the registry through the Os seam, one key at a time, through an
// explicit 32-bit or 64-bit view.
#include <cstdint>
#include <string>

#include "os/os.h"

namespace kvt {

class TRegistryKey {
 public:
  // Opens Path under Root for reading through View (kKeyWow64_64Key or
  // kKeyWow64_32Key). Path may be written as "\A\B\": the leading backslash
  // only says that it starts at Root.
  TRegistryKey(Os& os, OsHandle root, const std::string& path, uint32_t view);
  ~TRegistryKey();
  TRegistryKey(const TRegistryKey&) = delete;
  TRegistryKey& operator=(const TRegistryKey&) = delete;

  bool IsOpen() const { return key_ != 0; }
  // The value's type and bytes; false when the key is not open or the value
  // cannot be read.
  bool ReadValue(const std::string& name, uint32_t& type, std::string& data) const;
  // A REG_SZ value up to its first zero byte; false for any other type.
  bool ReadString(const std::string& name, std::string& value) const;

 private:
  Os& os_;
  OsHandle key_ = 0;
};

// The view the program itself sees by default: the 32-bit one for the 32-bit
// program, the 64-bit one for the 64-bit program.
uint32_t OwnRegistryView(Os& os);

// True when Path under HKEY_LOCAL_MACHINE can be opened through View.
bool RegistryKeyExists(Os& os, const std::string& path, uint32_t view);

// The REG_SZ value Name of Path under HKEY_LOCAL_MACHINE, read through View;
// false when it cannot be read.
bool ReadRegistryString(Os& os, const std::string& path, const std::string& name, uint32_t view,
                        std::string& value);

}  // namespace kvt
