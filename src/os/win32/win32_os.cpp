#include "os/win32/win32_os.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace kvt {
namespace {

static_assert(sizeof(PROCESSENTRY32) == sizeof(TProcessEntry32), "PROCESSENTRY32 layout");
static_assert(offsetof(PROCESSENTRY32, szExeFile) == offsetof(TProcessEntry32, szExeFile),
              "PROCESSENTRY32 layout");
static_assert(sizeof(OSVERSIONINFOA) == sizeof(TOsVersionInfo), "OSVERSIONINFOA layout");
static_assert(sizeof(MODULEENTRY32) == sizeof(TModuleEntry32), "MODULEENTRY32 layout");
static_assert(offsetof(MODULEENTRY32, szExePath) == offsetof(TModuleEntry32, szExePath),
              "MODULEENTRY32 layout");

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExAFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using GetProcessImageFileNameAFn = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using Process32Fn = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);
using Module32Fn = BOOL(WINAPI*)(HANDLE, MODULEENTRY32*);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
using NtQueryObjectFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using NtQueryInformationFileFn = LONG(WINAPI*)(HANDLE, PVOID, PVOID, ULONG, ULONG);

HANDLE ToHandle(OsHandle handle) { return reinterpret_cast<HANDLE>(static_cast<uintptr_t>(handle)); }
OsHandle FromHandle(HANDLE handle) {
  return static_cast<OsHandle>(reinterpret_cast<uintptr_t>(handle));
}
HKEY ToKey(OsHandle key) { return reinterpret_cast<HKEY>(static_cast<uintptr_t>(key)); }
PIDLIST_ABSOLUTE ToIdList(OsItemIdList list) {
  return reinterpret_cast<PIDLIST_ABSOLUTE>(static_cast<uintptr_t>(list));
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
  isWow64Process_ = Lookup(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
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
  }
  return false;
}

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

OsHandle Win32Os::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  if (!BindToolhelp()) return 0;
  return FromHandle(As<CreateToolhelp32SnapshotFn>(createToolhelp32Snapshot_)(flags, processId));
}

bool Win32Os::Process32First(OsHandle snapshot, TProcessEntry32* entry) {
  if (!BindToolhelp() || process32First_ == nullptr) return false;
  return As<Process32Fn>(process32First_)(ToHandle(snapshot),
                                          reinterpret_cast<PROCESSENTRY32*>(entry)) != 0;
}

bool Win32Os::Process32Next(OsHandle snapshot, TProcessEntry32* entry) {
  if (!BindToolhelp() || process32Next_ == nullptr) return false;
  return As<Process32Fn>(process32Next_)(ToHandle(snapshot),
                                         reinterpret_cast<PROCESSENTRY32*>(entry)) != 0;
}

bool Win32Os::Module32First(OsHandle snapshot, TModuleEntry32* entry) {
  if (!BindToolhelp() || module32First_ == nullptr) return false;
  return As<Module32Fn>(module32First_)(ToHandle(snapshot),
                                        reinterpret_cast<MODULEENTRY32*>(entry)) != 0;
}

bool Win32Os::Module32Next(OsHandle snapshot, TModuleEntry32* entry) {
  if (!BindToolhelp() || module32Next_ == nullptr) return false;
  return As<Module32Fn>(module32Next_)(ToHandle(snapshot),
                                       reinterpret_cast<MODULEENTRY32*>(entry)) != 0;
}

bool Win32Os::EnumProcessModules(OsHandle process, uint32_t* modules, uint32_t bytes,
                                 uint32_t* bytesNeeded) {
  if (!BindProcessStatus() || enumProcessModules_ == nullptr) return false;
  DWORD needed = 0;
  const BOOL ok = As<EnumProcessModulesFn>(enumProcessModules_)(
      ToHandle(process), reinterpret_cast<HMODULE*>(modules), bytes, &needed);
  *bytesNeeded = needed;
  return ok != 0;
}

uint32_t Win32Os::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  return ::GetWindowsDirectoryA(buffer, size);
}

uint32_t Win32Os::GetSystemDirectoryA(char* buffer, uint32_t size) {
  return ::GetSystemDirectoryA(buffer, size);
}

int32_t Win32Os::SHGetSpecialFolderLocation(OsHandle owner, int folder, OsItemIdList* idList) {
  PIDLIST_ABSOLUTE list = nullptr;
  const HRESULT result = ::SHGetSpecialFolderLocation(
      reinterpret_cast<HWND>(static_cast<uintptr_t>(owner)), folder, &list);
  if (SUCCEEDED(result)) *idList = static_cast<OsItemIdList>(reinterpret_cast<uintptr_t>(list));
  return result;
}

bool Win32Os::SHGetPathFromIDListA(OsItemIdList idList, char* path) {
  return ::SHGetPathFromIDListA(ToIdList(idList), path) != 0;
}

void Win32Os::CoTaskMemFree(OsItemIdList memory) { ::CoTaskMemFree(ToIdList(memory)); }

int32_t Win32Os::RegOpenKeyExA(OsHandle key, const char* subKey, uint32_t options,
                               uint32_t samDesired, OsHandle* result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(ToKey(key), subKey, options, samDesired, &opened);
  if (status == ERROR_SUCCESS) *result = static_cast<OsHandle>(reinterpret_cast<uintptr_t>(opened));
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

uint32_t Win32Os::NtQueryInformationFile(OsHandle file, uint32_t ioStatus[2], uint8_t* buffer,
                                         uint32_t size, uint32_t infoClass) {
  if (ntQueryInformationFile_ == nullptr) return kStatusNotImplemented;
  return static_cast<uint32_t>(As<NtQueryInformationFileFn>(ntQueryInformationFile_)(
      ToHandle(file), ioStatus, buffer, size, infoClass));
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
