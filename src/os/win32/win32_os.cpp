#include "os/win32/win32_os.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kvt {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == sizeof(TOsVersionInfo), "OSVERSIONINFOA layout");
// The platform's wide characters are UTF-16 code units, as char16_t are.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
static_assert(sizeof(PROCESSENTRY32::szExeFile) == sizeof(TProcessEntry::szExeFile),
              "PROCESSENTRY32 name");
static_assert(sizeof(MODULEENTRY32::szExePath) == sizeof(TModuleEntry::szExePath) &&
                  sizeof(MODULEENTRY32::szModule) == sizeof(TModuleEntry::szModule),
              "MODULEENTRY32 names");

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using GetProcessImageFileNameAFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using EnumProcessModulesExFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*, DWORD);
using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using SHGetSpecialFolderLocationFn = HRESULT(WINAPI*)(HWND, int, PIDLIST_ABSOLUTE*);
using SHGetPathFromIDListAFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPSTR);
using CoTaskMemFreeFn = void(WINAPI*)(LPVOID);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID);
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using NtQueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtQueryInformationFileFn = LONG(WINAPI*)(HANDLE, PVOID, PVOID, ULONG, ULONG);

// The seam's 64-bit values and the platform's pointer-sized ones. Widening
// sign-extends, as the platform itself does, so that -1 (the invalid handle,
// the own process) and the predefined registry keys keep their meaning in
// the 32-bit program; narrowing keeps the low bits the platform gave.
template <typename TPointer>
TPointer ToPointer(uint64_t value) {
  return reinterpret_cast<TPointer>(static_cast<intptr_t>(static_cast<int64_t>(value)));
}
template <typename TPointer>
uint64_t FromPointer(TPointer pointer) {
  return static_cast<uint64_t>(static_cast<int64_t>(reinterpret_cast<intptr_t>(pointer)));
}
HANDLE ToHandle(OsHandle handle) { return ToPointer<HANDLE>(handle); }
OsHandle FromHandle(HANDLE handle) { return FromPointer(handle); }
HKEY ToKey(OsHandle key) { return ToPointer<HKEY>(key); }
PIDLIST_ABSOLUTE ToIdList(OsItemIdList list) { return ToPointer<PIDLIST_ABSOLUTE>(list); }
// Addresses are no handles: they are taken as the unsigned numbers they are.
uint64_t FromAddress(const void* address) { return reinterpret_cast<uintptr_t>(address); }

void CopyText(const char* from, char* to, size_t size) {
  std::memcpy(to, from, size);
  to[size - 1] = '\0';
}

void CopyEntry(const PROCESSENTRY32& from, TProcessEntry* to) {
  to->cntUsage = from.cntUsage;
  to->th32ProcessID = from.th32ProcessID;
  to->th32DefaultHeapID = from.th32DefaultHeapID;
  to->th32ModuleID = from.th32ModuleID;
  to->cntThreads = from.cntThreads;
  to->th32ParentProcessID = from.th32ParentProcessID;
  to->pcPriClassBase = from.pcPriClassBase;
  to->dwFlags = from.dwFlags;
  CopyText(from.szExeFile, to->szExeFile, sizeof to->szExeFile);
}

void CopyEntry(const MODULEENTRY32& from, TModuleEntry* to) {
  to->th32ModuleID = from.th32ModuleID;
  to->th32ProcessID = from.th32ProcessID;
  to->GlblcntUsage = from.GlblcntUsage;
  to->ProccntUsage = from.ProccntUsage;
  to->modBaseAddr = FromAddress(from.modBaseAddr);
  to->modBaseSize = from.modBaseSize;
  to->hModule = FromPointer(from.hModule);
  CopyText(from.szModule, to->szModule, sizeof to->szModule);
  CopyText(from.szExePath, to->szExePath, sizeof to->szExePath);
}

// Calls a toolhelp walker with the platform's record, its size field set, and
// hands the entry over in the seam's form.
template <typename TPlatformEntry, typename TEntry>
bool WalkSnapshot(void* walker, OsHandle snapshot, TEntry* entry) {
  using TWalker = BOOL(WINAPI*)(HANDLE, TPlatformEntry*);
  TPlatformEntry platform;
  std::memset(&platform, 0, sizeof platform);
  platform.dwSize = sizeof platform;
  if (reinterpret_cast<TWalker>(walker)(ToHandle(snapshot), &platform) == 0) return false;
  CopyEntry(platform, entry);
  return true;
}

// A module-handle enumeration into the platform's array, handed over widened.
template <typename TCall>
bool EnumerateModules(TCall call, OsHandle* modules, uint32_t count, uint32_t* countNeeded) {
  std::vector<HMODULE> handles(count);
  DWORD needed = 0;
  if (!call(handles.data(), static_cast<DWORD>(count * sizeof(HMODULE)), &needed)) return false;
  *countNeeded = needed / sizeof(HMODULE);
  for (uint32_t i = 0; i < std::min<uint32_t>(count, *countNeeded); ++i)
    modules[i] = FromPointer(handles[i]);
  return true;
}

template <typename Fn>
Fn As(void* address) {
  return reinterpret_cast<Fn>(address);
}

void* Lookup(HMODULE module, const char* name) {
  return module == nullptr ? nullptr : reinterpret_cast<void*>(GetProcAddress(module, name));
}

bool WriteAll(DWORD stdHandle, const char* data, size_t length) {
  HANDLE handle = GetStdHandle(stdHandle);
  while (length > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(length), &written, nullptr) || written == 0)
      return false;
    data += written;
    length -= written;
  }
  return true;
}

DWORD WINAPI RunWorkerJob(LPVOID job) {
  static_cast<TWorkerJob*>(job)->Run();
  return 0;
}

}  // namespace

Win32Os::Win32Os() {
  // A load result below 32 counts as failure, as for the old loader.
  HMODULE psapi = LoadLibraryA("psapi.dll");
  if (reinterpret_cast<uintptr_t>(psapi) >= 32)
    getProcessImageFileNameA_ = Lookup(psapi, "GetProcessImageFileNameA");
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  isWow64Process_ = Lookup(kernel, "IsWow64Process");
  // Both or neither: a redirection switched off must be switched on again.
  void* disable = Lookup(kernel, "Wow64DisableWow64FsRedirection");
  void* revert = Lookup(kernel, "Wow64RevertWow64FsRedirection");
  if (disable != nullptr && revert != nullptr) {
    wow64DisableFsRedirection_ = disable;
    wow64RevertFsRedirection_ = revert;
  }
  // Only looked up, never loaded: every process of the platform has ntdll.dll.
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  ntQuerySystemInformation_ = Lookup(ntdll, "NtQuerySystemInformation");
  ntQueryObject_ = Lookup(ntdll, "NtQueryObject");
  ntQueryInformationFile_ = Lookup(ntdll, "NtQueryInformationFile");
}

bool Win32Os::BindProcessStatus() {
  if (enumProcesses_ != nullptr) return true;
  HMODULE library = LoadLibraryA("PSAPI.dll");
  if (reinterpret_cast<uintptr_t>(library) < 32) return false;  // tried again on the next use
  enumProcesses_ = Lookup(library, "EnumProcesses");
  getModuleFileNameExA_ = Lookup(library, "GetModuleFileNameExA");
  enumProcessModules_ = Lookup(library, "EnumProcessModules");
  enumProcessModulesEx_ = Lookup(library, "EnumProcessModulesEx");
  return enumProcesses_ != nullptr;
}

bool Win32Os::BindToolhelp() {
  if (createToolhelp32Snapshot_ != nullptr) return true;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  void* snapshot = Lookup(kernel, "CreateToolhelp32Snapshot");
  if (snapshot == nullptr) return false;
  process32First_ = Lookup(kernel, "Process32First");
  process32Next_ = Lookup(kernel, "Process32Next");
  module32First_ = Lookup(kernel, "Module32First");
  module32Next_ = Lookup(kernel, "Module32Next");
  createToolhelp32Snapshot_ = snapshot;
  return true;
}

bool Win32Os::GetVersionExA(TOsVersionInfo* info) {
  OSVERSIONINFOA version;
  std::memcpy(&version, static_cast<const void*>(info), sizeof version);
  const bool ok = ::GetVersionExA(&version) != 0;
  std::memcpy(static_cast<void*>(info), &version, sizeof version);
  return ok;
}

OsHandle Win32Os::GetCurrentProcess() { return FromHandle(::GetCurrentProcess()); }
uint32_t Win32Os::GetCurrentProcessId() { return ::GetCurrentProcessId(); }
std::string Win32Os::GetCommandLineA() { return ::GetCommandLineA(); }

std::string Win32Os::GetOwnModuleFileName() {
  char buffer[MAX_PATH + 1] = {};
  const DWORD length = ::GetModuleFileNameA(nullptr, buffer, MAX_PATH);
  return std::string(buffer, length);
}

bool Win32Os::IsBound(TOptionalEntry entry) {
  switch (entry) {
    case TOptionalEntry::GetProcessImageFileNameA:
      return getProcessImageFileNameA_ != nullptr;
    case TOptionalEntry::NtQuerySystemInformation:
      return ntQuerySystemInformation_ != nullptr;
    case TOptionalEntry::NtQueryObject:
      return ntQueryObject_ != nullptr;
    case TOptionalEntry::NtQueryInformationFile:
      return ntQueryInformationFile_ != nullptr;
    case TOptionalEntry::EnumProcessModulesEx:
      return BindProcessStatus() && enumProcessModulesEx_ != nullptr;
    case TOptionalEntry::Wow64FsRedirection:
      return wow64DisableFsRedirection_ != nullptr;
  }
  return false;
}

uint32_t Win32Os::PointerSize() { return sizeof(void*); }

bool Win32Os::EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  if (!BindProcessStatus()) return false;
  DWORD returned = 0;
  const BOOL ok = As<EnumProcessesFn>(enumProcesses_)(reinterpret_cast<DWORD*>(ids), bytes,
                                                      &returned);
  *bytesReturned = returned;
  return ok != 0;
}

OsHandle Win32Os::OpenProcess(uint32_t access, bool inherit, uint32_t processId) {
  return FromHandle(::OpenProcess(access, inherit ? TRUE : FALSE, processId));
}

bool Win32Os::CloseHandle(OsHandle handle) { return ::CloseHandle(ToHandle(handle)) != 0; }

uint32_t Win32Os::GetModuleFileNameExA(OsHandle process, OsHandle module, char* buffer,
                                       uint32_t size) {
  if (!BindProcessStatus() || getModuleFileNameExA_ == nullptr) return 0;
  return As<GetModuleFileNameExAFn>(getModuleFileNameExA_)(
      ToHandle(process), reinterpret_cast<HMODULE>(ToHandle(module)), buffer, size);
}

uint32_t Win32Os::GetProcessImageFileNameA(OsHandle process, char* buffer, uint32_t size) {
  if (getProcessImageFileNameA_ == nullptr) return 0;
  return As<GetProcessImageFileNameAFn>(getProcessImageFileNameA_)(ToHandle(process), buffer,
                                                                   size);
}

bool Win32Os::TerminateProcess(OsHandle process, uint32_t exitCode) {
  return ::TerminateProcess(ToHandle(process), exitCode) != 0;
}

bool Win32Os::IsWow64Process(OsHandle process, bool* wow64) {
  if (isWow64Process_ == nullptr) return false;
  BOOL flag = FALSE;
  const BOOL ok = As<IsWow64ProcessFn>(isWow64Process_)(ToHandle(process), &flag);
  *wow64 = flag != 0;
  return ok != 0;
}

bool Win32Os::CreateProcessA(const char* applicationName, const std::string& commandLine,
                             TProcessInformation* info) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  // Handles handed on must be inheritable; the ones this program was given
  // may not be, so inheritable copies go instead.
  const DWORD streams[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  HANDLE* targets[] = {&startup.hStdInput, &startup.hStdOutput, &startup.hStdError};
  for (int i = 0; i < 3; ++i) {
    const HANDLE own = GetStdHandle(streams[i]);
    *targets[i] = own;
    if (own != nullptr && own != INVALID_HANDLE_VALUE)
      ::DuplicateHandle(::GetCurrentProcess(), own, ::GetCurrentProcess(), targets[i], 0, TRUE,
                        DUPLICATE_SAME_ACCESS);
  }
  std::string line = commandLine;  // the call may write into it
  PROCESS_INFORMATION started = {};
  const BOOL ok = ::CreateProcessA(applicationName, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &startup, &started);
  for (int i = 0; i < 3; ++i)
    if (*targets[i] != GetStdHandle(streams[i])) ::CloseHandle(*targets[i]);
  if (!ok) return false;
  info->hProcess = FromHandle(started.hProcess);
  info->hThread = FromHandle(started.hThread);
  info->dwProcessId = started.dwProcessId;
  info->dwThreadId = started.dwThreadId;
  return true;
}

uint32_t Win32Os::WaitForSingleObject(OsHandle handle, uint32_t milliseconds) {
  return ::WaitForSingleObject(ToHandle(handle), milliseconds);
}

bool Win32Os::GetExitCodeProcess(OsHandle process, uint32_t* exitCode) {
  DWORD code = 0;
  const BOOL ok = ::GetExitCodeProcess(ToHandle(process), &code);
  *exitCode = code;
  return ok != 0;
}

uint32_t Win32Os::GetEnvironmentVariableW(const char16_t* name, char16_t* buffer,
                                          uint32_t size) {
  return ::GetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name),
                                   reinterpret_cast<wchar_t*>(buffer), size);
}

bool Win32Os::SetEnvironmentVariableW(const char16_t* name, const char16_t* value) {
  return ::SetEnvironmentVariableW(reinterpret_cast<const wchar_t*>(name),
                                   reinterpret_cast<const wchar_t*>(value)) != 0;
}

OsHandle Win32Os::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  if (!BindToolhelp()) return 0;
  return FromHandle(As<CreateToolhelp32SnapshotFn>(createToolhelp32Snapshot_)(flags, processId));
}

bool Win32Os::Process32First(OsHandle snapshot, TProcessEntry* entry) {
  if (!BindToolhelp() || process32First_ == nullptr) return false;
  return WalkSnapshot<PROCESSENTRY32>(process32First_, snapshot, entry);
}

bool Win32Os::Process32Next(OsHandle snapshot, TProcessEntry* entry) {
  if (!BindToolhelp() || process32Next_ == nullptr) return false;
  return WalkSnapshot<PROCESSENTRY32>(process32Next_, snapshot, entry);
}

bool Win32Os::Module32First(OsHandle snapshot, TModuleEntry* entry) {
  if (!BindToolhelp() || module32First_ == nullptr) return false;
  return WalkSnapshot<MODULEENTRY32>(module32First_, snapshot, entry);
}

bool Win32Os::Module32Next(OsHandle snapshot, TModuleEntry* entry) {
  if (!BindToolhelp() || module32Next_ == nullptr) return false;
  return WalkSnapshot<MODULEENTRY32>(module32Next_, snapshot, entry);
}

bool Win32Os::EnumProcessModules(OsHandle process, OsHandle* modules, uint32_t count,
                                 uint32_t* countNeeded) {
  if (!BindProcessStatus() || enumProcessModules_ == nullptr) return false;
  return EnumerateModules(
      [&](HMODULE* handles, DWORD bytes, DWORD* needed) {
        return As<EnumProcessModulesFn>(enumProcessModules_)(ToHandle(process), handles, bytes,
                                                             needed) != 0;
      },
      modules, count, countNeeded);
}

bool Win32Os::EnumProcessModulesEx(OsHandle process, OsHandle* modules, uint32_t count,
                                   uint32_t* countNeeded, uint32_t filterFlag) {
  if (!BindProcessStatus() || enumProcessModulesEx_ == nullptr) return false;
  return EnumerateModules(
      [&](HMODULE* handles, DWORD bytes, DWORD* needed) {
        return As<EnumProcessModulesExFn>(enumProcessModulesEx_)(ToHandle(process), handles,
                                                                 bytes, needed, filterFlag) != 0;
      },
      modules, count, countNeeded);
}

uint32_t Win32Os::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32Os::GetSystemDirectoryA(char* buffer, uint32_t size) {
  return ::GetSystemDirectoryA(buffer, size);
}

bool Win32Os::BindShell() {
  if (shGetSpecialFolderLocation_ != nullptr) return true;
  // Loaded only when asked for: the shell brings a dozen libraries with it.
  const HMODULE shell = LoadLibraryA("shell32.dll");
  const HMODULE com = LoadLibraryA("ole32.dll");
  void* location = Lookup(shell, "SHGetSpecialFolderLocation");
  shGetPathFromIDListA_ = Lookup(shell, "SHGetPathFromIDListA");
  coTaskMemFree_ = Lookup(com, "CoTaskMemFree");
  if (shGetPathFromIDListA_ == nullptr || coTaskMemFree_ == nullptr) return false;
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

bool Win32Os::SHGetPathFromIDListA(OsItemIdList idList, char* path) {
  if (!BindShell()) return false;
  return As<SHGetPathFromIDListAFn>(shGetPathFromIDListA_)(ToIdList(idList), path) != 0;
}

void Win32Os::CoTaskMemFree(OsItemIdList memory) {
  if (BindShell()) As<CoTaskMemFreeFn>(coTaskMemFree_)(ToIdList(memory));
}

int32_t Win32Os::RegOpenKeyExA(OsHandle key, const char* subKey, uint32_t options,
                               uint32_t samDesired, OsHandle* result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(ToKey(key), subKey, options, samDesired, &opened);
  if (status == ERROR_SUCCESS) *result = FromPointer(opened);
  return status;
}

int32_t Win32Os::RegQueryValueExA(OsHandle key, const char* valueName, uint32_t* type,
                                  uint8_t* data, uint32_t* dataSize) {
  DWORD valueType = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const LONG status = ::RegQueryValueExA(ToKey(key), valueName, nullptr, &valueType, data,
                                         dataSize != nullptr ? &size : nullptr);
  if (type != nullptr) *type = valueType;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

int32_t Win32Os::RegCloseKey(OsHandle key) { return ::RegCloseKey(ToKey(key)); }

uint32_t Win32Os::GetLogicalDrives() { return ::GetLogicalDrives(); }

uint32_t Win32Os::QueryDosDeviceA(const char* deviceName, char* buffer, uint32_t size) {
  return ::QueryDosDeviceA(deviceName, buffer, size);
}

uint32_t Win32Os::GetFileAttributesA(const char* fileName) {
  return ::GetFileAttributesA(fileName);
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

OsHandle Win32Os::CreateFileA(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                              uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  return FromHandle(::CreateFileA(fileName, desiredAccess, shareMode, nullptr, creationDisposition,
                                  flagsAndAttributes, nullptr));
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

bool Win32Os::GetVolumeInformationA(const char* rootPathName, char* volumeNameBuffer,
                                    uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                    uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                                    char* fileSystemNameBuffer, uint32_t fileSystemNameSize) {
  DWORD serial = 0, componentLength = 0, flags = 0;
  // A drive without a medium must answer with an error, not with a dialog that
  // waits for a user who may not be there.
  const UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
  const BOOL ok = ::GetVolumeInformationA(
      rootPathName, volumeNameBuffer, volumeNameSize, volumeSerialNumber ? &serial : nullptr,
      maximumComponentLength ? &componentLength : nullptr, fileSystemFlags ? &flags : nullptr,
      fileSystemNameBuffer, fileSystemNameSize);
  SetErrorMode(oldMode);
  if (volumeSerialNumber) *volumeSerialNumber = serial;
  if (maximumComponentLength) *maximumComponentLength = componentLength;
  if (fileSystemFlags) *fileSystemFlags = flags;
  return ok != 0;
}

uint32_t Win32Os::GetFileVersionInfoSizeA(const char* fileName, uint32_t* handle) {
  DWORD value = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(fileName, &value);
  *handle = value;
  return size;
}

bool Win32Os::GetFileVersionInfoA(const char* fileName, uint32_t handle, uint32_t size,
                                  void* data) {
  return ::GetFileVersionInfoA(fileName, handle, size, data) != 0;
}

bool Win32Os::VerQueryValueA(const void* block, const char* subBlock, const void** value,
                             uint32_t* length) {
  void* found = nullptr;
  UINT bytes = 0;
  const BOOL ok = ::VerQueryValueA(block, subBlock, &found, &bytes);
  *value = found;
  *length = bytes;
  return ok != 0;
}

int Win32Os::CompareStringA(uint32_t locale, uint32_t flags, const char* a, int aLength,
                            const char* b, int bLength) {
  return ::CompareStringA(locale, flags, a, aLength, b, bLength);
}

bool Win32Os::IsDBCSLeadByte(uint8_t byte) { return ::IsDBCSLeadByte(byte) != 0; }

std::string Win32Os::ConvertAnsiToOem(const std::string& text) {
  if (text.empty()) return text;
  const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0);
  if (wideLength <= 0) return text;
  std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                      wideLength);
  const int oemLength =
      WideCharToMultiByte(CP_OEMCP, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (oemLength <= 0) return text;
  std::string oem(static_cast<size_t>(oemLength), '\0');
  WideCharToMultiByte(CP_OEMCP, 0, wide.data(), wideLength, &oem[0], oemLength, nullptr, nullptr);
  return oem;
}

bool Win32Os::WriteStdOut(const char* data, size_t length) {
  return WriteAll(STD_OUTPUT_HANDLE, data, length);
}

bool Win32Os::WriteStdErr(const char* data, size_t length) {
  return WriteAll(STD_ERROR_HANDLE, data, length);
}

void Win32Os::OutputDebugStringA(const char* text) { ::OutputDebugStringA(text); }

uint32_t Win32Os::NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                           uint32_t* needed) {
  if (ntQuerySystemInformation_ == nullptr) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status =
      As<NtQuerySystemInformationFn>(ntQuerySystemInformation_)(infoClass, buffer, size, &length);
  *needed = length;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Os::NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                                uint32_t size, uint32_t* needed) {
  if (ntQueryObject_ == nullptr) return kStatusNotImplemented;
  // Runs on the guarded worker too: nothing here may allocate or lock.
  ULONG length = 0;
  const LONG status =
      As<NtQueryObjectFn>(ntQueryObject_)(ToHandle(handle), infoClass, buffer, size, &length);
  *needed = length;
  return static_cast<uint32_t>(status);
}

uint32_t Win32Os::NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus,
                                         uint8_t* buffer, uint32_t size, uint32_t infoClass) {
  if (ntQueryInformationFile_ == nullptr) return kStatusNotImplemented;
  // The platform's block is pointer-sized; it lives on the worker's stack.
  IO_STATUS_BLOCK block = {};
  const LONG status = As<NtQueryInformationFileFn>(ntQueryInformationFile_)(
      ToHandle(file), &block, buffer, size, infoClass);
  ioStatus->Status = static_cast<uint32_t>(block.Status);
  ioStatus->Information = block.Information;
  return static_cast<uint32_t>(status);
}

bool Win32Os::DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                              OsHandle* target, uint32_t access, bool inherit, uint32_t options) {
  HANDLE copy = nullptr;
  const BOOL ok = ::DuplicateHandle(ToHandle(sourceProcess), ToHandle(source),
                                    ToHandle(targetProcess), &copy, access,
                                    inherit ? TRUE : FALSE, options);
  *target = ok ? FromHandle(copy) : 0;
  return ok != 0;
}

TWorkerResult Win32Os::RunWorker(std::unique_ptr<TWorkerJob>& job, uint32_t timeoutMs) {
  HANDLE thread = ::CreateThread(nullptr, 0, RunWorkerJob, job.get(), 0, nullptr);
  if (thread == nullptr) return TWorkerResult::NotStarted;
  const DWORD wait = ::WaitForSingleObject(thread, timeoutMs);
  ::CloseHandle(thread);  // the thread runs on without its handle
  if (wait == WAIT_OBJECT_0) return TWorkerResult::Finished;
  // The thread may still write into the job at any time, up to the end of the
  // process, so the job is never freed.
  static_cast<void>(job.release());
  return TWorkerResult::Abandoned;
}

std::string Win32Os::UnicodeToAnsi(const std::u16string& text) {
  if (text.empty()) return std::string();
  const std::wstring wide(text.begin(), text.end());
  const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                         nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string ansi(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &ansi[0], length,
                      nullptr, nullptr);
  return ansi;
}

std::u16string Win32Os::AnsiToUnicode(const std::string& text) {
  if (text.empty()) return std::u16string();
  const int length =
      MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::u16string();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return std::u16string(wide.begin(), wide.end());
}

}  // namespace kvt
