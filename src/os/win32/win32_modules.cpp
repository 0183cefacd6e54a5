// The lists of processes and modules: toolhelp and the process-status library.
#include "os/win32/win32_os.h"

#include "os/win32/win32_support.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kvt {
using namespace win32;

namespace {

static_assert(sizeof(TProcessEntry::szExeFile) >= 3 * ARRAYSIZE(PROCESSENTRY32W::szExeFile) + 1,
              "PROCESSENTRY32W name in UTF-8");
static_assert(sizeof(TModuleEntry::szExePath) >= 3 * ARRAYSIZE(MODULEENTRY32W::szExePath) + 1 &&
                  sizeof(TModuleEntry::szModule) >= 3 * ARRAYSIZE(MODULEENTRY32W::szModule) + 1,
              "MODULEENTRY32W names in UTF-8");

using EnumProcessesFn = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using GetModuleFileNameExWFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPWSTR, DWORD);
using GetProcessImageFileNameWFn = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD);
using CreateToolhelp32SnapshotFn = HANDLE(WINAPI*)(DWORD, DWORD);
using EnumProcessModulesFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using EnumProcessModulesExFn = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*, DWORD);

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

}  // namespace

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
bool Win32Os::EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  if (!BindProcessStatus()) return false;
  DWORD returned = 0;
  const BOOL ok = As<EnumProcessesFn>(enumProcesses_)(reinterpret_cast<DWORD*>(ids), bytes,
                                                      &returned);
  *bytesReturned = returned;
  return ok != 0;
}
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

}  // namespace kvt
