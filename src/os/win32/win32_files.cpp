// Files, drives, volumes and version resources.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <vector>

namespace kvt {
using namespace win32;

namespace {

using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);

// GetWindowsDirectoryW and GetSystemDirectoryW into a UTF-8 buffer: the bytes
// copied, or the size needed with its terminator when the buffer is too small.
uint32_t DirectoryText(UINT(WINAPI* call)(LPWSTR, UINT), char* buffer, uint32_t size) {
  std::vector<wchar_t> wide(kMaxWideText);
  const UINT units = call(wide.data(), kMaxWideText);
  if (units == 0 || units >= kMaxWideText) return 0;
  const std::string text = ToUtf8(wide.data(), units);
  if (text.size() >= size) return static_cast<uint32_t>(text.size() + 1);
  return CopyTextToBuffer(text, buffer, size);
}

}  // namespace

uint32_t Win32Os::GetWindowsDirectoryW(char* buffer, uint32_t size) {
  return DirectoryText(::GetWindowsDirectoryW, buffer, size);
}

uint32_t Win32Os::GetSystemDirectoryW(char* buffer, uint32_t size) {
  return DirectoryText(::GetSystemDirectoryW, buffer, size);
}
uint32_t Win32Os::GetLogicalDrives() { return ::GetLogicalDrives(); }

uint32_t Win32Os::QueryDosDeviceW(const char* deviceName, char* buffer, uint32_t size) {
  // The reply is a list of texts; the first is the device the name stands for.
  const std::wstring name = ToWide(deviceName);
  return CallForText(
      [&](wchar_t* wide, DWORD units) { return ::QueryDosDeviceW(name.c_str(), wide, units); },
      UnitsFor(size), buffer, size);
}

uint32_t Win32Os::GetFileAttributesW(const char* fileName) {
  return ::GetFileAttributesW(FileNameForOpening(fileName).c_str());
}

bool Win32Os::Wow64DisableWow64FsRedirection(uint64_t* oldValue) {
  if (wow64DisableFsRedirection_ == nullptr) return false;
  PVOID old = nullptr;
  const BOOL ok = As<Wow64DisableFn>(wow64DisableFsRedirection_)(&old);
  *oldValue = FromAddress(old);
  return ok != 0;
}

bool Win32Os::Wow64RevertWow64FsRedirection(uint64_t oldValue) {
  if (wow64RevertFsRedirection_ == nullptr) return false;
  return As<Wow64RevertFn>(wow64RevertFsRedirection_)(
             reinterpret_cast<PVOID>(static_cast<uintptr_t>(oldValue))) != 0;
}

OsHandle Win32Os::CreateFileW(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                              uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  return FromHandle(::CreateFileW(FileNameForOpening(fileName).c_str(), desiredAccess, shareMode, nullptr,
                                  creationDisposition, flagsAndAttributes, nullptr));
}

uint32_t Win32Os::GetFileSize(OsHandle file, uint32_t* fileSizeHigh) {
  DWORD high = 0;
  const DWORD low = ::GetFileSize(ToHandle(file), &high);
  if (fileSizeHigh != nullptr) *fileSizeHigh = high;
  return low;
}

bool Win32Os::ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(ToHandle(file), buffer, bytesToRead, &read, nullptr);
  *bytesRead = read;
  return ok != 0;
}

bool Win32Os::GetVolumeInformationW(const char* rootPathName, char* volumeNameBuffer,
                                    uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                    uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                                    char* fileSystemNameBuffer, uint32_t fileSystemNameSize) {
  DWORD serial = 0, componentLength = 0, flags = 0;
  // A drive without a medium must answer with an error, not with a dialog that
  // waits for a user who may not be there.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  wchar_t volumeName[MAX_PATH + 1] = {};
  wchar_t fileSystemName[MAX_PATH + 1] = {};
  const BOOL ok = ::GetVolumeInformationW(
      ToWide(rootPathName).c_str(), volumeName, MAX_PATH + 1, volumeSerialNumber ? &serial : nullptr,
      maximumComponentLength ? &componentLength : nullptr, fileSystemFlags ? &flags : nullptr,
      fileSystemName, MAX_PATH + 1);
  SetErrorMode(oldMode);
  if (ok && volumeNameBuffer != nullptr)
    CopyText(volumeName, MAX_PATH + 1, volumeNameBuffer, volumeNameSize);
  if (ok && fileSystemNameBuffer != nullptr)
    CopyText(fileSystemName, MAX_PATH + 1, fileSystemNameBuffer, fileSystemNameSize);
  if (volumeSerialNumber) *volumeSerialNumber = serial;
  if (maximumComponentLength) *maximumComponentLength = componentLength;
  if (fileSystemFlags) *fileSystemFlags = flags;
  return ok != 0;
}

uint32_t Win32Os::GetFileVersionInfoSizeW(const char* fileName, uint32_t* handle) {
  DWORD value = 0;
  const DWORD size = ::GetFileVersionInfoSizeW(ToWide(fileName).c_str(), &value);
  *handle = value;
  return size;
}

bool Win32Os::GetFileVersionInfoW(const char* fileName, uint32_t handle, uint32_t size,
                                  void* data) {
  return ::GetFileVersionInfoW(ToWide(fileName).c_str(), handle, size, data) != 0;
}

bool Win32Os::VerQueryValueW(const void* block, const char* subBlock, const void** value,
                             uint32_t* length) {
  void* found = nullptr;
  UINT bytes = 0;
  const BOOL ok = ::VerQueryValueW(block, ToWide(subBlock).c_str(), &found, &bytes);
  *value = found;
  *length = bytes;
  return ok != 0;
}

}  // namespace kvt
