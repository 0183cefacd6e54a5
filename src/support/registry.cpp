#include "support/registry.h"

#include <vector>

#include "support/utf8.h"

namespace kvt {
namespace {

// Directory names and settings are short; a larger value is not what this
// program reads and is refused rather than allocated.
constexpr uint32_t kMaxValueBytes = 64 * 1024;

std::string RelativeKeyName(const std::string& path) {
  size_t first = 0;
  size_t last = path.size();
  if (first < last && path[first] == '\\') ++first;
  if (last > first && path[last - 1] == '\\') --last;
  return path.substr(first, last - first);
}

}  // namespace

TRegistryKey::TRegistryKey(Os& os, OsHandle root, const std::string& path, uint32_t view)
    : os_(os) {
  OsHandle key = 0;
  if (os_.RegOpenKeyExW(root, RelativeKeyName(path).c_str(), 0, kKeyRead | view, &key) ==
      kErrorSuccess)
    key_ = key;
}

TRegistryKey::~TRegistryKey() {
  if (key_ != 0) os_.RegCloseKey(key_);
}

bool TRegistryKey::ReadValue(const std::string& name, uint32_t& type, std::string& data) const {
  if (key_ == 0) return false;
  uint32_t size = 0;
  if (os_.RegQueryValueExW(key_, name.c_str(), nullptr, nullptr, &size) != kErrorSuccess ||
      size > kMaxValueBytes)
    return false;
  // A value that grows between the two calls is refused (ERROR_MORE_DATA), not chased.
  std::vector<uint8_t> buffer(size + 1u);
  uint32_t valueType = 0;
  if (os_.RegQueryValueExW(key_, name.c_str(), &valueType, buffer.data(), &size) != kErrorSuccess)
    return false;
  type = valueType;
  data.assign(reinterpret_cast<const char*>(buffer.data()), size);
  return true;
}

bool TRegistryKey::ReadString(const std::string& name, std::string& value) const {
  uint32_t type = 0;
  std::string data;
  if (!ReadValue(name, type, data) || type != kRegSz) return false;
  // Text is stored in UTF-16, up to its first zero unit.
  std::u16string units;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto unit = static_cast<char16_t>(static_cast<uint8_t>(data[i]) |
                                            static_cast<uint8_t>(data[i + 1]) << 8);
    if (unit == 0) break;
    units += unit;
  }
  value = Utf16ToUtf8(units);
  return true;
}

uint32_t OwnRegistryView(Os& os) {
  return os.PointerSize() == 8 ? kKeyWow64_64Key : kKeyWow64_32Key;
}

bool RegistryKeyExists(Os& os, const std::string& path, uint32_t view) {
  return TRegistryKey(os, kHkeyLocalMachine, path, view).IsOpen();
}

bool ReadRegistryString(Os& os, const std::string& path, const std::string& name, uint32_t view,
                        std::string& value) {
  return TRegistryKey(os, kHkeyLocalMachine, path, view).ReadString(name, value);
}

}  // namespace kvt
