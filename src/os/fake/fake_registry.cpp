#include "os/fake/fake_os.h"

#include <cstring>

#include "support/text.h"
#include "support/utf8.h"

namespace kvt {

void FakeOs::SetRegistryValue(bool view64, const std::string& key, const std::string& name,
                              uint32_t type, const std::string& data) {
  View(view64)[AsciiUpperCase(key)][AsciiUpperCase(name)] = TRegistryValue{type, data};
}

void FakeOs::SetRegistryString(bool view64, const std::string& key, const std::string& name,
                               const std::string& value) {
  std::string data;
  for (const char16_t unit : Utf8ToUtf16(value.data(), value.size()) + u'\0') {
    data += static_cast<char>(unit & 0xFF);
    data += static_cast<char>(unit >> 8);
  }
  SetRegistryValue(view64, key, name, kRegSz, data);
}

void FakeOs::AddRegistryKey(bool view64, const std::string& key) {
  View(view64)[AsciiUpperCase(key)];
}

bool FakeOs::KeyExists(const TOpenKey& key) {
  const TRegistryView& view = View(key.View64);
  for (auto below = view.lower_bound(key.Path);
       below != view.end() && below->first.compare(0, key.Path.size(), key.Path) == 0; ++below)
    if (below->first.size() == key.Path.size() || below->first[key.Path.size()] == '\\')
      return true;
  return false;
}

int32_t FakeOs::RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t, uint32_t samDesired,
                              OsHandle* result) {
  Record("RegOpenKeyExW");
  TOpenKey parent{true, ""};
  if (key == kHkeyLocalMachine) {
    // Without a view flag the 32-bit program sees the 32-bit view.
    parent.View64 = (samDesired & kKeyWow64_64Key) != 0;
  } else {
    const auto found = keys_.find(key);
    if (found == keys_.end()) return kErrorInvalidHandle;
    parent = found->second;
  }
  const std::string name = AsciiUpperCase(subKey != nullptr ? subKey : "");
  // Names are relative to their root: an empty component means no such key.
  if (!name.empty() && (name.front() == '\\' || name.back() == '\\'))
    return kErrorFileNotFound;
  TOpenKey opened{parent.View64, parent.Path.empty() ? name
                                 : name.empty()      ? parent.Path
                                                     : parent.Path + "\\" + name};
  if (!opened.Path.empty() && !KeyExists(opened)) return kErrorFileNotFound;
  *result = nextKey_;
  nextKey_ += 4;
  keys_[*result] = opened;
  return kErrorSuccess;
}

int32_t FakeOs::RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type,
                                 uint8_t* data, uint32_t* dataSize) {
  Record("RegQueryValueExW");
  const auto open = keys_.find(key);
  if (open == keys_.end()) return kErrorInvalidHandle;
  const TRegistryView& view = View(open->second.View64);
  const auto values = view.find(open->second.Path);
  if (values == view.end()) return kErrorFileNotFound;
  const auto value = values->second.find(AsciiUpperCase(valueName != nullptr ? valueName : ""));
  if (value == values->second.end()) return kErrorFileNotFound;
  if (type != nullptr) *type = value->second.Type;
  if (dataSize == nullptr) return kErrorSuccess;
  const uint32_t needed = static_cast<uint32_t>(value->second.Data.size());
  const uint32_t room = *dataSize;
  *dataSize = needed;
  if (data == nullptr) return kErrorSuccess;
  if (room < needed) return kErrorMoreData;
  std::memcpy(data, value->second.Data.data(), needed);
  return kErrorSuccess;
}

int32_t FakeOs::RegCloseKey(OsHandle key) {
  Record("RegCloseKey");
  return keys_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

int32_t FakeOs::SHGetSpecialFolderLocation(OsHandle, int folder, OsItemIdList* idList) {
  Record("SHGetSpecialFolderLocation");
  if (ShellFolders.count(folder) == 0) return static_cast<int32_t>(0x80004005u);  // E_FAIL
  *idList = nextIdList_;
  nextIdList_ += 0x10;
  idLists_[*idList] = folder;
  return 0;
}

bool FakeOs::SHGetPathFromIDListW(OsItemIdList idList, char* path) {
  Record("SHGetPathFromIDListW");
  const auto list = idLists_.find(idList);
  if (list == idLists_.end()) return false;
  const auto folder = ShellFolders.find(list->second);
  if (folder == ShellFolders.end() || folder->second.empty()) return false;
  CopyTextToBuffer(folder->second, path, kMaxPathUtf8);
  return true;
}

void FakeOs::CoTaskMemFree(OsItemIdList memory) {
  Record("CoTaskMemFree");
  idLists_.erase(memory);
}

}  // namespace kvt
