#pragma once
// The lists of processes and modules: toolhelp's snapshots, bound on first
// use (0 while it cannot be bound), and the process-status library's lists
// and names, which return 0 while their library cannot be loaded.
#include <cstdint>

#include "os/os_types.h"

namespace kvt {

constexpr uint32_t kTh32csSnapProcess = 0x2;
constexpr uint32_t kTh32csSnapModule = 0x8;
// A 64-bit program's module snapshot of a WOW64 process takes its 32-bit modules too.
constexpr uint32_t kTh32csSnapModule32 = 0x10;
constexpr uint32_t kListModulesAll = 0x3;

// One entry of a process snapshot, as Win32Os reads it from the platform's
// PROCESSENTRY32W, whose size field it sets itself.
struct TProcessEntry {
  uint32_t cntUsage = 0;
  uint32_t th32ProcessID = 0;
  uint64_t th32DefaultHeapID = 0;
  uint32_t th32ModuleID = 0;
  uint32_t cntThreads = 0;
  uint32_t th32ParentProcessID = 0;
  int32_t pcPriClassBase = 0;
  uint32_t dwFlags = 0;
  char szExeFile[kMaxPathUtf8] = {};
};

// One entry of a module snapshot, as Win32Os reads it from the platform's
// MODULEENTRY32W, whose size field it sets itself. Its path holds at most
// kMaxPathUnits units: a longer one comes cut, and GetModuleFileNameExW with
// hModule names it whole.
struct TModuleEntry {
  uint32_t th32ModuleID = 0;
  uint32_t th32ProcessID = 0;
  uint32_t GlblcntUsage = 0;
  uint32_t ProccntUsage = 0;
  uint64_t modBaseAddr = 0;
  uint64_t modBaseSize = 0;
  OsHandle hModule = 0;
  char szModule[3 * 256 + 1] = {};
  char szExePath[kMaxPathUtf8] = {};
};

struct OsModules {
  virtual ~OsModules() = default;

  virtual OsHandle CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) = 0;
  virtual bool Process32First(OsHandle snapshot, TProcessEntry* entry) = 0;
  virtual bool Process32Next(OsHandle snapshot, TProcessEntry* entry) = 0;
  virtual bool Module32First(OsHandle snapshot, TModuleEntry* entry) = 0;
  virtual bool Module32Next(OsHandle snapshot, TModuleEntry* entry) = 0;

  virtual bool EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) = 0;
  // It and its Ex form count module handles, not bytes, since a handle's
  // width is the program's. Ex is bound by name where the platform has it.
  virtual bool EnumProcessModules(OsHandle process, OsHandle* modules, uint32_t count,
                                  uint32_t* countNeeded) = 0;
  virtual bool EnumProcessModulesEx(OsHandle process, OsHandle* modules, uint32_t count,
                                    uint32_t* countNeeded, uint32_t filterFlag) = 0;
  virtual uint32_t GetModuleFileNameExW(OsHandle process, OsHandle module, char* buffer,
                                        uint32_t size) = 0;
  virtual uint32_t GetProcessImageFileNameW(OsHandle process, char* buffer, uint32_t size) = 0;
};

}  // namespace kvt
