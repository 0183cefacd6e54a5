#include "os/win32/win32_os.h"

#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wincrypt.h>
#include <winternl.h>
#include <wintrust.h>
#include <softpub.h>
#include <mscat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <vector>

#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == sizeof(TOsVersionInfo), "OSVERSIONINFOA layout");
static_assert(sizeof(TProcessEntry::szExeFile) >= 3 * ARRAYSIZE(PROCESSENTRY32W::szExeFile) + 1,
              "PROCESSENTRY32W name in UTF-8");
static_assert(sizeof(TModuleEntry::szExePath) >= 3 * ARRAYSIZE(MODULEENTRY32W::szExePath) + 1 &&
                  sizeof(TModuleEntry::szModule) >= 3 * ARRAYSIZE(MODULEENTRY32W::szModule) + 1,
              "MODULEENTRY32W names in UTF-8");

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
using GetProcessImageFileNameWFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD);
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, BOOL*);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using EnumProcessModulesExFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*, DWORD);
using Wow64DisableFn = BOOL(WINAPI*)(PVOID*);
using SHGetSpecialFolderLocationFn = HRESULT(WINAPI*)(HWND, int, PIDLIST_ABSOLUTE*);
using SHGetPathFromIDListWFn = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR);
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

// The longest text a wide call is given room for: the longest path the
// platform has.
constexpr DWORD kMaxWideText = 32768;

std::wstring ToWide(const std::string& text) { return Utf8ToWide(text); }
std::wstring ToWide(const char* text) { return Utf8ToWide(text != nullptr ? text : ""); }

std::string ToUtf8(const wchar_t* text, size_t units) {
  return Utf16ToUtf8(std::u16string(text, text + units));
}

// A wide buffer's text: up to its first zero unit, at most Units units.
std::string WideTextUpToZero(const wchar_t* text, size_t units) {
  size_t length = 0;
  while (length < units && text[length] != L'\0') ++length;
  return ToUtf8(text, length);
}

// The units of a wide reply that fit a UTF-8 buffer of Size bytes at three
// bytes a unit: a kMaxPathUtf8 buffer takes MAX_PATH units and the terminator.
uint32_t UnitsFor(uint32_t size) { return (size + 2) / 3; }

// The room a name call is first given: nearly every name fits MAX_PATH.
constexpr DWORD kFirstWideRoom = MAX_PATH + 1;
// Each retry gives four times the room: at most five calls up to kMaxWideText.
constexpr DWORD kWideRoomGrowth = 4;

// A wide call that fills a buffer of the units it is given and returns the
// units written, 0 on failure: its text in the caller's UTF-8 buffer, and the
// bytes copied. A reply that fills its room may have been cut (the
// process-status calls cut a long name, others refuse it with
// ERROR_INSUFFICIENT_BUFFER): the call is made again with more room, up to
// the Units the caller's buffer takes and never beyond kMaxWideText.
template <typename TCall>
uint32_t CallForText(TCall call, uint32_t units, char* buffer, uint32_t size) {
  const DWORD most = std::min<DWORD>(std::max<DWORD>(units, 1), kMaxWideText);
  std::vector<wchar_t> wide;
  for (DWORD room = std::min(kFirstWideRoom, most);; room = std::min(room * kWideRoomGrowth, most)) {
    wide.assign(room, L'\0');
    ::SetLastError(ERROR_SUCCESS);
    const DWORD written = call(wide.data(), room);
    const bool filled = written == 0 ? ::GetLastError() == ERROR_INSUFFICIENT_BUFFER
                                     : written + 1 >= room;
    if (filled && room < most) continue;
    if (written == 0 || written > room) return 0;
    return CopyTextToBuffer(WideTextUpToZero(wide.data(), written), buffer, size);
  }
}

// The form a file name takes where the platform opens it. Beyond MAX_PATH - 1
// units a drive or share path must be given in the long form, "\\?\C:\..."
// or "\\?\UNC\server\share\...", which the platform takes as it is: the name
// is made full first (separators, "." and ".."), as the short form would be.
// Every other name goes as it is: a short one, one in the long or device form
// already ("\\?\", "\\.\", "\??\"), and a relative one.
std::wstring FileNameForOpening(const char* fileName) {
  std::wstring name = Utf8ToWide(fileName != nullptr ? fileName : "");
  if (name.size() < MAX_PATH) return name;
  const bool drive = name.size() > 2 && name[1] == L':' && (name[2] == L'\\' || name[2] == L'/');
  const bool share = (name[0] == L'\\' || name[0] == L'/') &&
                     (name[1] == L'\\' || name[1] == L'/') && name[2] != L'?' && name[2] != L'.';
  if (!drive && !share) return name;
  std::vector<wchar_t> full(kMaxWideText);
  const DWORD units = ::GetFullPathNameW(name.c_str(), kMaxWideText, full.data(), nullptr);
  if (units == 0 || units >= kMaxWideText) return name;
  const std::wstring path(full.data(), units);
  if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC" + path.substr(1);
  return L"\\\\?\\" + path;
}

void CopyText(const wchar_t* from, size_t units, char* to, size_t size) {
  CopyTextToBuffer(WideTextUpToZero(from, units), to, static_cast<uint32_t>(size));
}

void CopyEntry(const PROCESSENTRY32W& from, TProcessEntry* to) {
  to->cntUsage = from.cntUsage;
  to->th32ProcessID = from.th32ProcessID;
  to->th32DefaultHeapID = from.th32DefaultHeapID;
  to->th32ModuleID = from.th32ModuleID;
  to->cntThreads = from.cntThreads;
  to->th32ParentProcessID = from.th32ParentProcessID;
  to->pcPriClassBase = from.pcPriClassBase;
  to->dwFlags = from.dwFlags;
  CopyText(from.szExeFile, ARRAYSIZE(from.szExeFile), to->szExeFile, sizeof to->szExeFile);
}

void CopyEntry(const MODULEENTRY32W& from, TModuleEntry* to) {
  to->th32ModuleID = from.th32ModuleID;
  to->th32ProcessID = from.th32ProcessID;
  to->GlblcntUsage = from.GlblcntUsage;
  to->ProccntUsage = from.ProccntUsage;
  to->modBaseAddr = FromAddress(from.modBaseAddr);
  to->modBaseSize = from.modBaseSize;
  to->hModule = FromPointer(from.hModule);
  CopyText(from.szModule, ARRAYSIZE(from.szModule), to->szModule, sizeof to->szModule);
  CopyText(from.szExePath, ARRAYSIZE(from.szExePath), to->szExePath, sizeof to->szExePath);
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

// How long closing an idle worker waits for its thread to end.
constexpr DWORD kWorkerEndLimitMs = 1000;

// A guarded worker's state, shared by the caller and the thread. The
// thread's loop touches nothing else: no heap, no lock, only its two events.
struct TWin32Worker {
  HANDLE Thread = nullptr;
  HANDLE Go = nullptr;    // auto-reset: a job, or the end, is waiting
  HANDLE Done = nullptr;  // auto-reset: the job has ended
  TWorkerJob* volatile Job = nullptr;  // null with Go set: end the thread
};

DWORD WINAPI WorkerLoop(LPVOID state) {
  auto* worker = static_cast<TWin32Worker*>(state);
  for (;;) {
    if (WaitForSingleObject(worker->Go, INFINITE) != WAIT_OBJECT_0) return 1;
    TWorkerJob* job = worker->Job;
    if (job == nullptr) return 0;
    job->Run();
    SetEvent(worker->Done);
  }
}

void FreeWorker(TWin32Worker* worker) {
  if (worker->Thread != nullptr) ::CloseHandle(worker->Thread);
  if (worker->Go != nullptr) ::CloseHandle(worker->Go);
  if (worker->Done != nullptr) ::CloseHandle(worker->Done);
  delete worker;
}

}  // namespace

Win32Os::Win32Os() {
  // A load result below 32 counts as failure, as for the old loader.
  HMODULE psapi = LoadLibraryA("psapi.dll");
  if (reinterpret_cast<uintptr_t>(psapi) >= 32)
    getProcessImageFileNameW_ = Lookup(psapi, "GetProcessImageFileNameW");
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
  queryFullProcessImageNameW_ = Lookup(kernel, "QueryFullProcessImageNameW");
  ntQueryInformationProcess_ = Lookup(ntdll, "NtQueryInformationProcess");
  enumServicesStatusExW_ = Lookup(GetModuleHandleA("advapi32.dll"), "EnumServicesStatusExW");
}

bool Win32Os::BindProcessStatus() {
  if (enumProcesses_ != nullptr) return true;
  HMODULE library = LoadLibraryA("PSAPI.dll");
  if (reinterpret_cast<uintptr_t>(library) < 32) return false;  // tried again on the next use
  enumProcesses_ = Lookup(library, "EnumProcesses");
  getModuleFileNameExW_ = Lookup(library, "GetModuleFileNameExW");
  enumProcessModules_ = Lookup(library, "EnumProcessModules");
  enumProcessModulesEx_ = Lookup(library, "EnumProcessModulesEx");
  return enumProcesses_ != nullptr;
}

bool Win32Os::BindToolhelp() {
  if (createToolhelp32Snapshot_ != nullptr) return true;
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  void* snapshot = Lookup(kernel, "CreateToolhelp32Snapshot");
  if (snapshot == nullptr) return false;
  process32First_ = Lookup(kernel, "Process32FirstW");
  process32Next_ = Lookup(kernel, "Process32NextW");
  module32First_ = Lookup(kernel, "Module32FirstW");
  module32Next_ = Lookup(kernel, "Module32NextW");
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
std::string Win32Os::GetCommandLineW() {
  const wchar_t* line = ::GetCommandLineW();
  return ToUtf8(line, std::wcslen(line));
}

std::string Win32Os::GetOwnModuleFileName() {
  std::vector<wchar_t> buffer(kMaxWideText);
  const DWORD length = ::GetModuleFileNameW(nullptr, buffer.data(), kMaxWideText);
  return length < kMaxWideText ? ToUtf8(buffer.data(), length) : std::string();
}

bool Win32Os::IsBound(TOptionalEntry entry) {
  switch (entry) {
    case TOptionalEntry::GetProcessImageFileNameW:
      return getProcessImageFileNameW_ != nullptr;
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
    case TOptionalEntry::WinVerifyTrust:
      BindTrust();
      return winVerifyTrust_ != nullptr;
    case TOptionalEntry::CertGetNameStringW:
      BindTrust();
      return certGetNameStringW_ != nullptr;
    case TOptionalEntry::CatalogAdmin:
      BindTrust();
      return catAdminAcquireContext_ != nullptr;
    case TOptionalEntry::CatalogAdmin2:
      BindTrust();
      return catAdminAcquireContext2_ != nullptr;
    case TOptionalEntry::QueryFullProcessImageNameW:
      return queryFullProcessImageNameW_ != nullptr;
    case TOptionalEntry::NtQueryInformationProcess:
      return ntQueryInformationProcess_ != nullptr;
    case TOptionalEntry::EnumServicesStatusExW:
      return enumServicesStatusExW_ != nullptr;
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

uint32_t Win32Os::GetModuleFileNameExW(OsHandle process, OsHandle module, char* buffer,
                                       uint32_t size) {
  if (!BindProcessStatus() || getModuleFileNameExW_ == nullptr) return 0;
  return CallForText(
      [&](wchar_t* wide, DWORD units) {
        return As<GetModuleFileNameExWFn>(getModuleFileNameExW_)(
            ToHandle(process), reinterpret_cast<HMODULE>(ToHandle(module)), wide, units);
      },
      UnitsFor(size), buffer, size);
}

uint32_t Win32Os::GetProcessImageFileNameW(OsHandle process, char* buffer, uint32_t size) {
  if (getProcessImageFileNameW_ == nullptr) return 0;
  return CallForText(
      [&](wchar_t* wide, DWORD units) {
        return As<GetProcessImageFileNameWFn>(getProcessImageFileNameW_)(ToHandle(process), wide,
                                                                         units);
      },
      UnitsFor(size), buffer, size);
}

bool Win32Os::TerminateProcess(OsHandle process, uint32_t exitCode) {
  return ::TerminateProcess(ToHandle(process), exitCode) != 0;
}

bool Win32Os::GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                              uint64_t* kernelTime, uint64_t* userTime) {
  FILETIME times[4];
  if (!::GetProcessTimes(ToHandle(process), &times[0], &times[1], &times[2], &times[3]))
    return false;
  uint64_t* const results[4] = {creationTime, exitTime, kernelTime, userTime};
  for (int i = 0; i < 4; ++i)
    *results[i] = uint64_t{times[i].dwHighDateTime} << 32 | times[i].dwLowDateTime;
  return true;
}

bool Win32Os::IsWow64Process(OsHandle process, bool* wow64) {
  if (isWow64Process_ == nullptr) return false;
  BOOL flag = FALSE;
  const BOOL ok = As<IsWow64ProcessFn>(isWow64Process_)(ToHandle(process), &flag);
  *wow64 = flag != 0;
  return ok != 0;
}

bool Win32Os::CreateProcessW(const char* applicationName, const std::string& commandLine,
                             TProcessInformation* info) {
  STARTUPINFOW startup = {};
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
  const std::wstring application = ToWide(applicationName);
  std::wstring line = ToWide(commandLine);  // the call may write into it
  line.push_back(L'\0');
  PROCESS_INFORMATION started = {};
  const BOOL ok = ::CreateProcessW(applicationName != nullptr ? application.c_str() : nullptr,
                                   &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &started);
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

uint32_t Win32Os::GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) {
  std::vector<wchar_t> value(kMaxWideText);
  const DWORD units = ::GetEnvironmentVariableW(ToWide(name).c_str(), value.data(), kMaxWideText);
  if (units == 0 || units >= kMaxWideText) return 0;
  const std::string text = ToUtf8(value.data(), units);
  if (text.size() >= size) return static_cast<uint32_t>(text.size() + 1);
  return CopyTextToBuffer(text, buffer, size);
}

bool Win32Os::SetEnvironmentVariableW(const char* name, const char* value) {
  const std::wstring wideValue = ToWide(value);
  return ::SetEnvironmentVariableW(ToWide(name).c_str(),
                                   value != nullptr ? wideValue.c_str() : nullptr) != 0;
}

OsHandle Win32Os::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  if (!BindToolhelp()) return 0;
  return FromHandle(As<CreateToolhelp32SnapshotFn>(createToolhelp32Snapshot_)(flags, processId));
}

bool Win32Os::Process32First(OsHandle snapshot, TProcessEntry* entry) {
  if (!BindToolhelp() || process32First_ == nullptr) return false;
  return WalkSnapshot<PROCESSENTRY32W>(process32First_, snapshot, entry);
}

bool Win32Os::Process32Next(OsHandle snapshot, TProcessEntry* entry) {
  if (!BindToolhelp() || process32Next_ == nullptr) return false;
  return WalkSnapshot<PROCESSENTRY32W>(process32Next_, snapshot, entry);
}

bool Win32Os::Module32First(OsHandle snapshot, TModuleEntry* entry) {
  if (!BindToolhelp() || module32First_ == nullptr) return false;
  return WalkSnapshot<MODULEENTRY32W>(module32First_, snapshot, entry);
}

bool Win32Os::Module32Next(OsHandle snapshot, TModuleEntry* entry) {
  if (!BindToolhelp() || module32Next_ == nullptr) return false;
  return WalkSnapshot<MODULEENTRY32W>(module32Next_, snapshot, entry);
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

namespace {

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

int Win32Os::CompareStringW(uint32_t locale, uint32_t flags, const char* a, int aLength,
                            const char* b, int bLength) {
  const std::wstring left = ToWide(aLength < 0 ? std::string(a) : std::string(a, aLength));
  const std::wstring right = ToWide(bLength < 0 ? std::string(b) : std::string(b, bLength));
  return ::CompareStringW(locale, flags, left.data(), static_cast<int>(left.size()), right.data(),
                          static_cast<int>(right.size()));
}

std::string Win32Os::WideCharToMultiByte(uint32_t codePage, const std::string& text) {
  const std::wstring wide = ToWide(text);
  if (wide.empty()) return std::string();
  const int wideLength = static_cast<int>(wide.size());
  const int length =
      ::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string converted(static_cast<size_t>(length), '\0');
  ::WideCharToMultiByte(codePage, 0, wide.data(), wideLength, &converted[0], length, nullptr,
                        nullptr);
  return converted;
}

std::string Win32Os::LCMapStringW(uint32_t locale, uint32_t mapFlags, const std::string& text) {
  const std::wstring wide = ToWide(text);
  // The call takes no empty source, and counts in int.
  if (wide.empty() || wide.size() > static_cast<size_t>(INT_MAX)) return text;
  const int wideLength = static_cast<int>(wide.size());
  const int length = ::LCMapStringW(locale, mapFlags, wide.data(), wideLength, nullptr, 0);
  if (length <= 0) return text;
  std::wstring mapped(static_cast<size_t>(length), L'\0');
  if (::LCMapStringW(locale, mapFlags, wide.data(), wideLength, &mapped[0], length) != length)
    return text;
  return ToUtf8(mapped.data(), mapped.size());
}

bool Win32Os::GetConsoleMode(uint32_t stdHandle, uint32_t* mode) {
  DWORD value = 0;
  const BOOL ok = ::GetConsoleMode(GetStdHandle(stdHandle), &value);
  *mode = value;
  return ok != 0;
}

bool Win32Os::WriteConsoleW(uint32_t stdHandle, const std::string& text) {
  const HANDLE handle = GetStdHandle(stdHandle);
  const std::wstring wide = ToWide(text);
  // Consoles take a limited amount per call.
  constexpr size_t kChunk = 8192;
  for (size_t at = 0; at < wide.size();) {
    DWORD written = 0;
    const DWORD wanted = static_cast<DWORD>(std::min(kChunk, wide.size() - at));
    if (!::WriteConsoleW(handle, wide.data() + at, wanted, &written, nullptr) || written == 0)
      return false;
    at += written;
  }
  return true;
}

bool Win32Os::WriteStdOut(const char* data, size_t length) {
  return WriteAll(STD_OUTPUT_HANDLE, data, length);
}

bool Win32Os::WriteStdErr(const char* data, size_t length) {
  return WriteAll(STD_ERROR_HANDLE, data, length);
}

void Win32Os::OutputDebugStringW(const char* text) { ::OutputDebugStringW(ToWide(text).c_str()); }

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

OsWorker Win32Os::CreateWorkerThread() {
  auto* worker = new TWin32Worker;
  worker->Go = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  worker->Done = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (worker->Go != nullptr && worker->Done != nullptr)
    worker->Thread = ::CreateThread(nullptr, 0, WorkerLoop, worker, 0, nullptr);
  if (worker->Thread == nullptr) {
    FreeWorker(worker);
    return 0;
  }
  return reinterpret_cast<uintptr_t>(worker);
}

TWorkerResult Win32Os::RunOnWorkerThread(OsWorker handle, std::unique_ptr<TWorkerJob>& job,
                                         uint32_t timeoutMs) {
  auto* worker = reinterpret_cast<TWin32Worker*>(static_cast<uintptr_t>(handle));
  if (worker == nullptr) return TWorkerResult::NotStarted;
  worker->Job = job.get();
  ::SetEvent(worker->Go);
  // The thread's whole wait is the time limit, also when it had to be scheduled first.
  const DWORD wait = ::WaitForSingleObject(worker->Done, timeoutMs);
  if (wait == WAIT_OBJECT_0) return TWorkerResult::Finished;
  // The thread may still write into the job and use its events at any time,
  // up to the end of the process, so neither is ever freed.
  static_cast<void>(job.release());
  return TWorkerResult::Abandoned;
}

void Win32Os::CloseWorkerThread(OsWorker handle) {
  auto* worker = reinterpret_cast<TWin32Worker*>(static_cast<uintptr_t>(handle));
  if (worker == nullptr) return;
  worker->Job = nullptr;
  ::SetEvent(worker->Go);
  // An idle thread ends at once; one that does not is left with its state.
  if (::WaitForSingleObject(worker->Thread, kWorkerEndLimitMs) == WAIT_OBJECT_0) FreeWorker(worker);
}

namespace {

using WinVerifyTrustFn = decltype(&::WinVerifyTrust);
using WTHelperProvDataFromStateDataFn = decltype(&::WTHelperProvDataFromStateData);
using WTHelperGetProvSignerFromChainFn = decltype(&::WTHelperGetProvSignerFromChain);
using CertGetNameStringWFn = decltype(&::CertGetNameStringW);
using CryptCATAdminAcquireContextFn = decltype(&::CryptCATAdminAcquireContext);
using CryptCATAdminAcquireContext2Fn = decltype(&::CryptCATAdminAcquireContext2);
using CryptCATAdminCalcHashFromFileHandleFn = decltype(&::CryptCATAdminCalcHashFromFileHandle);
using CryptCATAdminCalcHashFromFileHandle2Fn = decltype(&::CryptCATAdminCalcHashFromFileHandle2);
using CryptCATAdminEnumCatalogFromHashFn = decltype(&::CryptCATAdminEnumCatalogFromHash);
using CryptCATCatalogInfoFromContextFn = decltype(&::CryptCATCatalogInfoFromContext);
using CryptCATAdminReleaseCatalogContextFn = decltype(&::CryptCATAdminReleaseCatalogContext);
using CryptCATAdminReleaseContextFn = decltype(&::CryptCATAdminReleaseContext);

// The subsystem whose catalogs the system's own files are listed in.
const GUID kDriverActionVerify = DRIVER_ACTION_VERIFY;

}  // namespace

void Win32Os::BindTrust() {
  if (trustBindTried_) return;
  trustBindTried_ = true;
  // Every entry comes as part of its group; a group with a missing entry
  // stays unbound as a whole.
  const HMODULE wintrust = LoadLibraryA("wintrust.dll");
  void* verify = Lookup(wintrust, "WinVerifyTrust");
  void* provData = Lookup(wintrust, "WTHelperProvDataFromStateData");
  void* signer = Lookup(wintrust, "WTHelperGetProvSignerFromChain");
  if (verify != nullptr && provData != nullptr && signer != nullptr) {
    winVerifyTrust_ = verify;
    wtHelperProvDataFromStateData_ = provData;
    wtHelperGetProvSignerFromChain_ = signer;
  }
  certGetNameStringW_ = Lookup(LoadLibraryA("crypt32.dll"), "CertGetNameStringW");
  void* const catalog[] = {Lookup(wintrust, "CryptCATAdminAcquireContext"),
                           Lookup(wintrust, "CryptCATAdminCalcHashFromFileHandle"),
                           Lookup(wintrust, "CryptCATAdminEnumCatalogFromHash"),
                           Lookup(wintrust, "CryptCATCatalogInfoFromContext"),
                           Lookup(wintrust, "CryptCATAdminReleaseCatalogContext"),
                           Lookup(wintrust, "CryptCATAdminReleaseContext")};
  if (std::find(std::begin(catalog), std::end(catalog), nullptr) == std::end(catalog)) {
    catAdminAcquireContext_ = catalog[0];
    catAdminCalcHashFromFileHandle_ = catalog[1];
    catAdminEnumCatalogFromHash_ = catalog[2];
    catCatalogInfoFromContext_ = catalog[3];
    catAdminReleaseCatalogContext_ = catalog[4];
    catAdminReleaseContext_ = catalog[5];
    // Both SHA-256 forms or neither: a context of one algorithm with a hash of
    // the other would find no catalog.
    void* acquire2 = Lookup(wintrust, "CryptCATAdminAcquireContext2");
    void* calcHash2 = Lookup(wintrust, "CryptCATAdminCalcHashFromFileHandle2");
    if (acquire2 != nullptr && calcHash2 != nullptr) {
      catAdminAcquireContext2_ = acquire2;
      catAdminCalcHashFromFileHandle2_ = calcHash2;
    }
  }
}

int32_t Win32Os::WinVerifyTrust(OsHandle window, TWinTrustData* data) {
  BindTrust();
  if (winVerifyTrust_ == nullptr) return TRUST_E_PROVIDER_UNKNOWN;
  const std::wstring filePath = FileNameForOpening(data->pcwszFilePath);
  const std::wstring catalogPath = ToWide(data->pcwszCatalogFilePath);
  const std::wstring memberTag = ToWide(data->pcwszMemberTag);
  const std::wstring memberPath = FileNameForOpening(data->pcwszMemberFilePath);
  WINTRUST_FILE_INFO file = {};
  file.cbStruct = sizeof file;
  file.pcwszFilePath = filePath.c_str();
  file.hFile = ToHandle(data->hFile);
  WINTRUST_CATALOG_INFO catalog = {};
  catalog.cbStruct = sizeof catalog;
  catalog.pcwszCatalogFilePath = catalogPath.c_str();
  catalog.pcwszMemberTag = memberTag.c_str();
  catalog.pcwszMemberFilePath = memberPath.c_str();
  catalog.hMemberFile = ToHandle(data->hMemberFile);
  catalog.pbCalculatedFileHash = const_cast<BYTE*>(data->pbCalculatedFileHash);
  catalog.cbCalculatedFileHash = data->cbCalculatedFileHash;
  catalog.hCatAdmin = ToPointer<HCATADMIN>(data->hCatAdmin);
  WINTRUST_DATA trust = {};
  trust.cbStruct = sizeof trust;
  trust.dwUIChoice = data->dwUIChoice;
  trust.fdwRevocationChecks = data->fdwRevocationChecks;
  trust.dwUnionChoice = data->dwUnionChoice;
  if (data->dwUnionChoice == WTD_CHOICE_CATALOG)
    trust.pCatalog = &catalog;
  else
    trust.pFile = &file;
  trust.dwStateAction = data->dwStateAction;
  trust.hWVTStateData = ToHandle(data->hWVTStateData);
  trust.dwProvFlags = data->dwProvFlags;
  GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
  const LONG result =
      As<WinVerifyTrustFn>(winVerifyTrust_)(ToPointer<HWND>(window), &action, &trust);
  data->hWVTStateData = FromHandle(trust.hWVTStateData);
  return result;
}

OsHandle Win32Os::WTHelperProvDataFromStateData(OsHandle stateData) {
  BindTrust();
  if (wtHelperProvDataFromStateData_ == nullptr) return 0;
  return FromPointer(
      As<WTHelperProvDataFromStateDataFn>(wtHelperProvDataFromStateData_)(ToHandle(stateData)));
}

bool Win32Os::WTHelperGetProvSignerFromChain(OsHandle provData, uint32_t signerIndex,
                                             bool counterSigner, uint32_t counterSignerIndex,
                                             TProviderSigner* signer) {
  BindTrust();
  if (wtHelperGetProvSignerFromChain_ == nullptr) return false;
  const CRYPT_PROVIDER_SGNR* found =
      As<WTHelperGetProvSignerFromChainFn>(wtHelperGetProvSignerFromChain_)(
          ToPointer<CRYPT_PROVIDER_DATA*>(provData), signerIndex, counterSigner ? TRUE : FALSE,
          counterSignerIndex);
  if (found == nullptr) return false;
  signer->csCertChain = found->csCertChain;
  signer->LeafCertificate = found->csCertChain > 0 && found->pasCertChain != nullptr
                                ? FromPointer(found->pasCertChain[0].pCert)
                                : 0;
  return true;
}

uint32_t Win32Os::CertGetNameStringW(OsHandle certificate, uint32_t type, uint32_t flags,
                                     const char* typePara, char* name, uint32_t size) {
  BindTrust();
  if (size == 0) return 0;
  name[0] = '\0';
  if (certGetNameStringW_ == nullptr) return 1;
  // The reply counts the terminator: a name of N bytes answers N + 1.
  return CallForText(
             [&](wchar_t* wide, DWORD units) {
               return As<CertGetNameStringWFn>(certGetNameStringW_)(
                   ToPointer<PCCERT_CONTEXT>(certificate), type, flags,
                   const_cast<void*>(static_cast<const void*>(typePara)), wide, units);
             },
             UnitsFor(size), name, size) +
         1;
}

bool Win32Os::CryptCATAdminAcquireContext(OsHandle* catAdmin) {
  BindTrust();
  if (catAdminAcquireContext_ == nullptr) return false;
  HCATADMIN admin = nullptr;
  const BOOL ok =
      As<CryptCATAdminAcquireContextFn>(catAdminAcquireContext_)(&admin, &kDriverActionVerify, 0);
  *catAdmin = ok ? FromPointer(admin) : 0;
  return ok != 0;
}

bool Win32Os::CryptCATAdminAcquireContext2(OsHandle* catAdmin, const char* hashAlgorithm) {
  BindTrust();
  if (catAdminAcquireContext2_ == nullptr) return false;
  HCATADMIN admin = nullptr;
  const BOOL ok = As<CryptCATAdminAcquireContext2Fn>(catAdminAcquireContext2_)(
      &admin, &kDriverActionVerify, ToWide(hashAlgorithm).c_str(), nullptr, 0);
  *catAdmin = ok ? FromPointer(admin) : 0;
  return ok != 0;
}

bool Win32Os::CryptCATAdminCalcHashFromFileHandle(OsHandle file, uint32_t* hashLength,
                                                  uint8_t* hash) {
  BindTrust();
  if (catAdminCalcHashFromFileHandle_ == nullptr) return false;
  DWORD length = *hashLength;
  const BOOL ok = As<CryptCATAdminCalcHashFromFileHandleFn>(catAdminCalcHashFromFileHandle_)(
      ToHandle(file), &length, hash, 0);
  *hashLength = length;
  return ok != 0;
}

bool Win32Os::CryptCATAdminCalcHashFromFileHandle2(OsHandle catAdmin, OsHandle file,
                                                   uint32_t* hashLength, uint8_t* hash) {
  BindTrust();
  if (catAdminCalcHashFromFileHandle2_ == nullptr) return false;
  DWORD length = *hashLength;
  const BOOL ok = As<CryptCATAdminCalcHashFromFileHandle2Fn>(catAdminCalcHashFromFileHandle2_)(
      ToPointer<HCATADMIN>(catAdmin), ToHandle(file), &length, hash, 0);
  *hashLength = length;
  return ok != 0;
}

OsHandle Win32Os::CryptCATAdminEnumCatalogFromHash(OsHandle catAdmin, const uint8_t* hash,
                                                   uint32_t hashLength,
                                                   OsHandle* previousCatInfo) {
  BindTrust();
  if (catAdminEnumCatalogFromHash_ == nullptr) return 0;
  HCATINFO previous = previousCatInfo ? ToPointer<HCATINFO>(*previousCatInfo) : nullptr;
  const HCATINFO found = As<CryptCATAdminEnumCatalogFromHashFn>(catAdminEnumCatalogFromHash_)(
      ToPointer<HCATADMIN>(catAdmin), const_cast<BYTE*>(hash), hashLength, 0,
      previousCatInfo ? &previous : nullptr);
  if (previousCatInfo) *previousCatInfo = FromPointer(previous);
  return FromPointer(found);
}

bool Win32Os::CryptCATCatalogInfoFromContext(OsHandle catInfo, char* catalogFile,
                                             uint32_t size) {
  BindTrust();
  if (catCatalogInfoFromContext_ == nullptr) return false;
  CATALOG_INFO info = {};
  info.cbStruct = sizeof info;
  if (!As<CryptCATCatalogInfoFromContextFn>(catCatalogInfoFromContext_)(
          ToPointer<HCATINFO>(catInfo), &info, 0))
    return false;
  CopyText(info.wszCatalogFile, ARRAYSIZE(info.wszCatalogFile), catalogFile, size);
  return true;
}

bool Win32Os::CryptCATAdminReleaseCatalogContext(OsHandle catAdmin, OsHandle catInfo) {
  BindTrust();
  if (catAdminReleaseCatalogContext_ == nullptr) return false;
  return As<CryptCATAdminReleaseCatalogContextFn>(catAdminReleaseCatalogContext_)(
             ToPointer<HCATADMIN>(catAdmin), ToPointer<HCATINFO>(catInfo), 0) != 0;
}

bool Win32Os::CryptCATAdminReleaseContext(OsHandle catAdmin) {
  BindTrust();
  if (catAdminReleaseContext_ == nullptr) return false;
  return As<CryptCATAdminReleaseContextFn>(catAdminReleaseContext_)(
             ToPointer<HCATADMIN>(catAdmin), 0) != 0;
}

// Least rights and the debug privilege. The token calls are advapi32's,
// which every Windows of the NT family has.

bool Win32Os::QueryFullProcessImageNameW(OsHandle process, uint32_t flags, char* exeName,
                                         uint32_t* size) {
  if (queryFullProcessImageNameW_ == nullptr || *size == 0) return false;
  using QueryFullProcessImageNameWFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
  exeName[0] = '\0';
  bool named = false;
  const uint32_t copied = CallForText(
      [&](wchar_t* wide, DWORD room) -> DWORD {
        DWORD units = room;
        named = As<QueryFullProcessImageNameWFn>(queryFullProcessImageNameW_)(
                    ToHandle(process), flags, wide, &units) != 0;
        return named ? units : 0;
      },
      UnitsFor(*size), exeName, *size);
  if (!named) return false;
  *size = copied;
  return true;
}

bool Win32Os::OpenProcessToken(OsHandle process, uint32_t desiredAccess, OsHandle* token) {
  HANDLE opened = nullptr;
  if (::OpenProcessToken(ToHandle(process), desiredAccess, &opened) == 0) return false;
  *token = FromHandle(opened);
  return true;
}

bool Win32Os::LookupPrivilegeValueW(const char* systemName, const char* name, TLuid* luid) {
  const std::wstring system = ToWide(systemName);
  LUID value = {};
  if (::LookupPrivilegeValueW(systemName != nullptr ? system.c_str() : nullptr,
                              ToWide(name).c_str(), &value) == 0)
    return false;
  luid->LowPart = value.LowPart;
  luid->HighPart = value.HighPart;
  return true;
}

bool Win32Os::AdjustTokenPrivileges(OsHandle token, bool disableAllPrivileges,
                                    const TTokenPrivileges* newState) {
  TOKEN_PRIVILEGES state = {};
  state.PrivilegeCount = 1;
  state.Privileges[0].Luid.LowPart = newState->Luid.LowPart;
  state.Privileges[0].Luid.HighPart = newState->Luid.HighPart;
  state.Privileges[0].Attributes = newState->Attributes;
  return ::AdjustTokenPrivileges(ToHandle(token), disableAllPrivileges ? TRUE : FALSE, &state,
                                 0, nullptr, nullptr) != 0;
}

uint32_t Win32Os::GetLastError() { return ::GetLastError(); }

// How and by whom each process runs.
namespace {

using NtQueryInformationProcessFn = LONG(WINAPI*)(HANDLE, ULONG, PVOID, ULONG, PULONG);
using EnumServicesStatusExWFn = BOOL(WINAPI*)(SC_HANDLE, SC_ENUM_TYPE, DWORD, DWORD, LPBYTE,
                                              DWORD, LPDWORD, LPDWORD, LPDWORD, LPCWSTR);

// Wide text into a UTF-8 buffer of Size bytes, without the heap: the
// account look-up runs on a worker that may be abandoned at any point.
// Size becomes the length, or the size needed when it does not fit.
bool WideIntoUtf8(const wchar_t* text, char* buffer, uint32_t* size) {
  const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0 || static_cast<uint32_t>(needed) > *size) {
    *size = needed > 0 ? static_cast<uint32_t>(needed) : 0;
    return false;
  }
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, needed, nullptr, nullptr);
  *size = static_cast<uint32_t>(needed - 1);
  return true;
}

}  // namespace

uint32_t Win32Os::NtQueryInformationProcess(OsHandle process, uint32_t infoClass,
                                            uint8_t* buffer, uint32_t size, uint32_t* returned) {
  if (ntQueryInformationProcess_ == nullptr) return kStatusNotImplemented;
  ULONG length = 0;
  const LONG status = As<NtQueryInformationProcessFn>(ntQueryInformationProcess_)(
      ToHandle(process), infoClass, buffer, size, &length);
  *returned = length;
  return static_cast<uint32_t>(status);
}

bool Win32Os::ReadProcessMemory(OsHandle process, uint64_t address, uint8_t* buffer,
                                uint32_t size, uint32_t* bytesRead) {
  *bytesRead = 0;
  if (address > UINTPTR_MAX || UINTPTR_MAX - address < size) {
    ::SetLastError(ERROR_PARTIAL_COPY);
    return false;
  }
  SIZE_T read = 0;
  const BOOL ok = ::ReadProcessMemory(ToHandle(process),
                                      reinterpret_cast<LPCVOID>(static_cast<uintptr_t>(address)),
                                      buffer, size, &read);
  *bytesRead = static_cast<uint32_t>(read);
  return ok != 0;
}

bool Win32Os::GetTokenInformation(OsHandle token, uint32_t infoClass, uint8_t* buffer,
                                  uint32_t size, uint32_t* returned) {
  DWORD length = 0;
  const BOOL ok = ::GetTokenInformation(ToHandle(token),
                                        static_cast<TOKEN_INFORMATION_CLASS>(infoClass), buffer,
                                        size, &length);
  *returned = length;
  return ok != 0;
}

bool Win32Os::LookupAccountSidW(const uint8_t* sid, char* name, uint32_t* nameSize, char* domain,
                                uint32_t* domainSize) {
  wchar_t wideName[256];
  wchar_t wideDomain[256];
  DWORD nameUnits = ARRAYSIZE(wideName);
  DWORD domainUnits = ARRAYSIZE(wideDomain);
  SID_NAME_USE use;
  if (!::LookupAccountSidW(nullptr, const_cast<uint8_t*>(sid), wideName, &nameUnits, wideDomain,
                           &domainUnits, &use))
    return false;
  const bool nameFits = WideIntoUtf8(wideName, name, nameSize);
  return WideIntoUtf8(wideDomain, domain, domainSize) && nameFits;
}

OsHandle Win32Os::OpenSCManagerW(uint32_t desiredAccess) {
  return FromHandle(::OpenSCManagerW(nullptr, nullptr, desiredAccess));
}

bool Win32Os::CloseServiceHandle(OsHandle scManager) {
  return ::CloseServiceHandle(ToPointer<SC_HANDLE>(scManager)) != 0;
}

bool Win32Os::EnumServicesStatusExW(OsHandle scManager, uint32_t serviceType,
                                    uint32_t serviceState, uint32_t bufferSize,
                                    uint32_t* bytesNeeded, uint32_t* resumeHandle,
                                    std::vector<TServiceProcess>& services) {
  if (enumServicesStatusExW_ == nullptr) return false;
  // ENUM_SERVICE_STATUS_PROCESSW entries, whose names point into the reply.
  std::vector<ENUM_SERVICE_STATUS_PROCESSW> reply(bufferSize / sizeof(ENUM_SERVICE_STATUS_PROCESSW) +
                                                  1);
  DWORD needed = 0;
  DWORD count = 0;
  DWORD resume = *resumeHandle;
  const BOOL ok = As<EnumServicesStatusExWFn>(enumServicesStatusExW_)(
      ToPointer<SC_HANDLE>(scManager), SC_ENUM_PROCESS_INFO, serviceType, serviceState,
      reinterpret_cast<LPBYTE>(reply.data()), bufferSize, &needed, &count, &resume, nullptr);
  const DWORD error = ::GetLastError();
  *bytesNeeded = needed;
  *resumeHandle = resume;
  for (DWORD i = 0; i < count && i < reply.size(); ++i) {
    const wchar_t* name = reply[i].lpServiceName;
    services.push_back({name == nullptr ? std::string() : ToUtf8(name, std::wcslen(name)),
                        reply[i].ServiceStatusProcess.dwProcessId});
  }
  ::SetLastError(error);
  return ok != 0;
}

bool Win32Os::FileTimeToLocalFileTime(uint64_t fileTime, uint64_t* localFileTime) {
  // The rules of that moment's time zone, summer time included, where the
  // system has the call for it (bound by name: Windows 2000 and later);
  // else today's bias, as the old call applies it.
  using SystemTimeToTzSpecificLocalTimeFn =
      BOOL(WINAPI*)(const TIME_ZONE_INFORMATION*, const SYSTEMTIME*, SYSTEMTIME*);
  static void* const toZoneTime =
      Lookup(GetModuleHandleA("kernel32.dll"), "SystemTimeToTzSpecificLocalTime");
  const FILETIME utc = {static_cast<DWORD>(fileTime), static_cast<DWORD>(fileTime >> 32)};
  SYSTEMTIME utcTime;
  SYSTEMTIME localTime;
  FILETIME local;
  const bool converted =
      toZoneTime == nullptr
          ? ::FileTimeToLocalFileTime(&utc, &local) != 0
          : ::FileTimeToSystemTime(&utc, &utcTime) &&
                As<SystemTimeToTzSpecificLocalTimeFn>(toZoneTime)(nullptr, &utcTime, &localTime) &&
                ::SystemTimeToFileTime(&localTime, &local);
  if (!converted) return false;
  *localFileTime = uint64_t{local.dwHighDateTime} << 32 | local.dwLowDateTime;
  return true;
}

}  // namespace kvt
