// The registry and the shell's folders.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <shlobj.h>

namespace kvt {
using namespace win32;

namespace {

HKEY ToKey(OsHandle key) { return ToPointer<HKEY>(key); }
PIDLIST_ABSOLUTE ToIdList(OsItemIdList list) { return ToPointer<PIDLIST_ABSOLUTE>(list); }

using SHGetSpecialFolderLocationFn = HRESULT(WINAPI*)(HWND, int, PIDLIST_ABSOLUTE*);
using SHGetPathFromIDListWFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);
using CoTaskMemFreeFn = void(WINAPI*)(LPVOID);

}  // namespace

bool Win32Os::BindShell() {
  if (shGetSpecialFolderLocation_ != nullptr) return true;
  // Loaded only when asked for: the shell brings a dozen libraries with it.
  const HMODULE shell = LoadLibraryA("shell32.dll");
  const HMODULE com = LoadLibraryA("ole32.dll");
  void* location = Lookup(shell, "SHGetSpecialFolderLocation");
  shGetPathFromIDListW_ = Lookup(shell, "SHGetPathFromIDListW");
  coTaskMemFree_ = Lookup(com, "CoTaskMemFree");
  if (shGetPathFromIDListW_ == nullptr || coTaskMemFree_ == nullptr) return false;
  shGetSpecialFolderLocation_ = location;
  return location != nullptr;
}

int32_t Win32Os::SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) {
  if (!BindShell()) return E_FAIL;
  PIDLIST_ABSOLUTE list = nullptr;
  const HRESULT result = As<SHGetSpecialFolderLocationFn>(shGetSpecialFolderLocation_)(
      ToPointer<HWND>(owner), folder, &list);
  if (SUCCEEDED(result)) *idList = FromPointer(list);
  return result;
}

bool Win32Os::SHGetPathFromIDListW(OsItemIdList idList, char* path) {
  if (!BindShell()) return false;
  wchar_t wide[MAX_PATH] = {};
  if (As<SHGetPathFromIDListWFn>(shGetPathFromIDListW_)(ToIdList(idList), wide) == 0) return false;
  CopyText(wide, MAX_PATH, path, kMaxPathUtf8);
  return true;
}

void Win32Os::CoTaskMemFree(OsItemIdList memory) {
  if (BindShell()) As<CoTaskMemFreeFn>(coTaskMemFree_)(ToIdList(memory));
}

int32_t Win32Os::RegOpenKeyExW(OsHandle key, const char* subKey, uint32_t options,
                               uint32_t samDesired, OsHandle* result) {
  HKEY opened = nullptr;
  const std::wstring name = ToWide(subKey);
  const LONG status = ::RegOpenKeyExW(ToKey(key), subKey != nullptr ? name.c_str() : nullptr,
                                      options, samDesired, &opened);
  if (status == ERROR_SUCCESS) *result = FromPointer(opened);
  return status;
}

int32_t Win32Os::RegQueryValueExW(OsHandle key, const char* valueName, uint32_t* type,
                                  uint8_t* data, uint32_t* dataSize) {
  DWORD valueType = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const std::wstring name = ToWide(valueName);
  const LONG status =
      ::RegQueryValueExW(ToKey(key), valueName != nullptr ? name.c_str() : nullptr, nullptr,
                         &valueType, data, dataSize != nullptr ? &size : nullptr);
  if (type != nullptr) *type = valueType;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

int32_t Win32Os::RegCloseKey(OsHandle key) { return ::RegCloseKey(ToKey(key)); }

}  // namespace kvt
