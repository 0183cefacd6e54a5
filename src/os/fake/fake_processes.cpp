#include "os/fake/fake_os.h"

#include <algorithm>

#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

template <typename TEntry>
bool TakeEntry(const std::vector<TEntry>& entries, size_t& cursor, TEntry* entry) {
  if (cursor >= entries.size()) return false;
  *entry = entries[cursor++];
  return true;
}

// A name as toolhelp's records hold it: its first kMaxPathUnits units.
std::string AsFixedRecordHolds(const std::string& name) {
  std::u16string units = Utf8ToUtf16(name.data(), name.size());
  if (units.size() <= kMaxPathUnits) return name;
  units.resize(kMaxPathUnits);
  return Utf16ToUtf8(units);
}

// Which modules a program of PointerSize bytes sees: a 32-bit program sees
// the 32-bit modules of a WOW64 process only, a 64-bit one its 64-bit
// modules and, when asked for them, its 32-bit ones.
bool ModuleVisible(uint32_t pointerSize, const TFakeProcess& process, const TFakeModule& module,
                   bool with32Bit) {
  if (pointerSize == 4) return !RunsUnderWow64(process) || module.Wow64Module;
  return !module.Wow64Module || with32Bit;
}

// GetWindowsDirectoryW and GetSystemDirectoryW: the length copied, or the size
// needed when the buffer is too small, or 0 on failure.

}  // namespace

bool RunsUnderWow64(const TFakeProcess& process) {
  return std::any_of(process.Modules.begin(), process.Modules.end(),
                     [](const TFakeModule& module) { return module.Wow64Module; });
}

bool FakeOs::EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  Record("EnumProcesses");
  if (!ProcessStatusAvailable || EnumProcessesFails) return false;
  uint32_t written = 0;
  for (const auto& process : Processes) {
    if (!process.Alive || !process.InIdList) continue;
    if (written + sizeof(uint32_t) > bytes) break;
    ids[written / sizeof(uint32_t)] = process.Id;
    written += sizeof(uint32_t);
  }
  *bytesReturned = written;
  return true;
}

const TFakeProcess* FakeOs::QueriedProcess(OsHandle process) {
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr ||
      (handle->Access & (kProcessQueryInformation | kProcessQueryLimitedInformation)) == 0 ||
      handle->ProcessIndex >= Processes.size())
    return nullptr;
  const TFakeProcess& target = Processes[handle->ProcessIndex];
  return target.Id == handle->ProcessId ? &target : nullptr;
}

OsHandle FakeOs::OpenProcess(uint32_t access, bool, uint32_t processId) {
  Record("OpenProcess");
  const TFakeProcess* process = FindProcess(processId);
  if (process == nullptr || (access & ~process->AllowedAccess) != 0) {
    lastError_ = process == nullptr ? kErrorInvalidParameter : kErrorAccessDenied;
    return 0;
  }
  THandle handle;
  handle.Type = THandle::Process;
  handle.ProcessId = processId;
  handle.Access = access;
  handle.ProcessIndex = static_cast<size_t>(process - Processes.data());
  return NewHandle(std::move(handle));
}

bool FakeOs::CloseHandle(OsHandle handle) {
  Record("CloseHandle");
  return handles_.erase(handle) == 1;
}

uint32_t FakeOs::GetModuleFileNameExW(OsHandle process, OsHandle module, char* buffer,
                                      uint32_t size) {
  Record("GetModuleFileNameExW");
  if (!ProcessStatusAvailable) return 0;
  const THandle* handle = Find(process, THandle::Process);
  const TFakeProcess* target = handle ? FindProcess(handle->ProcessId) : nullptr;
  if (target == nullptr) return 0;
  if (module == 0) {
    if (target->ModulePath.empty()) return 0;
    return CopyTextToBuffer(target->ModulePath, buffer, size);
  }
  for (const auto& loaded : target->Modules) {
    if (loaded.Base != module) continue;
    if (loaded.NameFails) return 0;
    return CopyTextToBuffer(loaded.StatusName.empty() ? loaded.Path : loaded.StatusName, buffer, size);
  }
  return 0;
}

uint32_t FakeOs::GetProcessImageFileNameW(OsHandle process, char* buffer, uint32_t size) {
  Record("GetProcessImageFileNameW");
  if (!ImageFileNameBound) return 0;
  const THandle* handle = Find(process, THandle::Process);
  const TFakeProcess* target = handle ? FindProcess(handle->ProcessId) : nullptr;
  if (target == nullptr || target->ImageDevicePath.empty()) return 0;
  return CopyTextToBuffer(target->ImageDevicePath, buffer, size);
}

bool FakeOs::TerminateProcess(OsHandle process, uint32_t exitCode) {
  Record("TerminateProcess");
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr || (handle->Access & kProcessTerminate) == 0) return false;
  TFakeProcess* target = FindProcess(handle->ProcessId);
  if (target == nullptr || !target->CanTerminate) return false;
  target->Alive = false;
  target->ExitCode = exitCode;
  return true;
}

bool FakeOs::GetProcessTimes(OsHandle process, uint64_t* creationTime, uint64_t* exitTime,
                             uint64_t* kernelTime, uint64_t* userTime) {
  Record("GetProcessTimes");
  const TFakeProcess* target = QueriedProcess(process);
  if (target == nullptr) return false;
  *creationTime = target->CreateTime;
  *exitTime = target->Alive ? 0 : target->ExitTime;
  *kernelTime = target->KernelTime;
  *userTime = target->UserTime;
  return true;
}

bool FakeOs::IsWow64Process(OsHandle process, bool* wow64) {
  Record("IsWow64Process");
  if (!IsWow64Exported) return false;
  // On a 64-bit Windows every process but the 64-bit ones runs under WOW64.
  const THandle* handle = nullptr;
  const TFakeProcess* target = TargetOf(process, THandle::Process, &handle);
  *wow64 = Wow64 && (target == nullptr || !target->Is64Bit);
  return true;
}

bool FakeOs::CreateProcessW(const char* applicationName, const std::string& commandLine,
                            TProcessInformation* info) {
  Record("CreateProcessW");
  CreateProcessCalls.push_back(
      {applicationName != nullptr ? applicationName : "", commandLine, Environment});
  if (StartsFail || FindFile(applicationName != nullptr ? applicationName : "") == nullptr)
    return false;
  // The program runs to its end at once: its output is there when it is waited for.
  StdOut += StartedOutput;
  THandle started;
  started.Type = THandle::Started;
  info->hProcess = NewHandle(started);
  info->hThread = NewHandle(started);
  info->dwProcessId = 0x7000;
  info->dwThreadId = 0x7004;
  return true;
}

uint32_t FakeOs::WaitForSingleObject(OsHandle handle, uint32_t milliseconds) {
  Record("WaitForSingleObject");
  if (Find(handle, THandle::StopEvent) != nullptr) {
    // A pause: time passes, and the script's processes with it.
    PerformanceCounter += uint64_t{milliseconds} * 10000;
    SystemTime += uint64_t{milliseconds} * 10000;
    if (OnPause) OnPause();
    return ++Pauses == StopAfterPauses ? kWaitObject0 : kWaitTimeout;
  }
  return Find(handle, THandle::Started) != nullptr && !WaitFails ? kWaitObject0 : kWaitFailed;
}

bool FakeOs::GetExitCodeProcess(OsHandle process, uint32_t* exitCode) {
  Record("GetExitCodeProcess");
  if (Find(process, THandle::Started) != nullptr) {
    *exitCode = StartedExitCode;
    return true;
  }
  // A handle of a listed process: its code once it has ended.
  const TFakeProcess* target = QueriedProcess(process);
  if (target == nullptr) return false;
  *exitCode = target->Alive ? kStillActive : target->ExitCode;
  return true;
}

uint32_t FakeOs::GetEnvironmentVariableW(const char* name, char* buffer, uint32_t size) {
  Record("GetEnvironmentVariableW");
  const auto found = Environment.find(AsciiUpperCase(name));
  if (found == Environment.end()) return 0;
  const std::string& value = found->second;
  if (value.size() >= size) return static_cast<uint32_t>(value.size() + 1);
  return CopyTextToBuffer(value, buffer, size);
}

bool FakeOs::SetEnvironmentVariableW(const char* name, const char* value) {
  Record("SetEnvironmentVariableW");
  if (value == nullptr)
    Environment.erase(AsciiUpperCase(name));
  else
    Environment[AsciiUpperCase(name)] = value;
  return true;
}

OsHandle FakeOs::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  Record("CreateToolhelp32Snapshot");
  if (!ToolhelpAvailable) return 0;
  if (SnapshotFails) return kInvalidHandleValue;
  THandle handle;
  handle.Type = THandle::Snapshot;
  if (flags & kTh32csSnapModule) {
    // Process id 0 asks for the calling process, as on the platform.
    const TFakeProcess* target = FindProcess(processId == 0 ? CurrentProcessId : processId);
    if (target == nullptr || target->ModuleSnapshotFails ||
        (ProgramPointerSize == 4 && target->Is64Bit)) {
      lastError_ = target != nullptr && target->ModuleSnapshotFails ? target->ModuleSnapshotError
                                                                    : kErrorPartialCopy;
      return kInvalidHandleValue;
    }
    for (const auto& module : target->Modules) {
      if (!module.InSnapshot ||
          !ModuleVisible(ProgramPointerSize, *target, module, (flags & kTh32csSnapModule32) != 0))
        continue;
      TModuleEntry entry;
      entry.th32ModuleID = module.ModuleId;
      entry.th32ProcessID = target->Id;
      entry.GlblcntUsage = module.GlobalUsage;
      entry.ProccntUsage = module.ProcessUsage;
      entry.modBaseAddr = module.Base;
      entry.modBaseSize = module.Size;
      entry.hModule = module.Base;
      const size_t slash = module.Path.find_last_of('\\');
      CopyTextToBuffer(slash == std::string::npos ? module.Path : module.Path.substr(slash + 1),
                   entry.szModule, sizeof entry.szModule);
      CopyTextToBuffer(AsFixedRecordHolds(module.Path), entry.szExePath, sizeof entry.szExePath);
      handle.Modules.push_back(entry);
    }
  }
  if (flags & kTh32csSnapProcess) {
    for (const auto& process : Processes) {
      if (!process.Alive || !process.InSnapshot) continue;
      TProcessEntry entry;
      entry.th32ProcessID = process.Id;
      entry.th32ParentProcessID = process.ParentId;
      entry.cntThreads = process.Threads;
      entry.cntUsage = process.Usage;
      entry.th32DefaultHeapID = process.DefaultHeapId;
      entry.th32ModuleID = process.ModuleId;
      CopyTextToBuffer(AsFixedRecordHolds(process.ExeFile), entry.szExeFile,
                       sizeof entry.szExeFile);
      handle.Entries.push_back(entry);
    }
  }
  return NewHandle(std::move(handle));
}

bool FakeOs::Process32First(OsHandle snapshot, TProcessEntry* entry) {
  Record("Process32First");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  if (handle == nullptr) return false;
  handle->Cursor = 0;
  return TakeEntry(handle->Entries, handle->Cursor, entry);
}

bool FakeOs::Process32Next(OsHandle snapshot, TProcessEntry* entry) {
  Record("Process32Next");
  if (OnProcess32Next) OnProcess32Next();
  THandle* handle = Find(snapshot, THandle::Snapshot);
  return handle != nullptr && TakeEntry(handle->Entries, handle->Cursor, entry);
}

bool FakeOs::Module32First(OsHandle snapshot, TModuleEntry* entry) {
  Record("Module32First");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  if (handle == nullptr) return false;
  handle->ModuleCursor = 0;
  return TakeEntry(handle->Modules, handle->ModuleCursor, entry);
}

bool FakeOs::Module32Next(OsHandle snapshot, TModuleEntry* entry) {
  Record("Module32Next");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  return handle != nullptr && TakeEntry(handle->Modules, handle->ModuleCursor, entry);
}

bool FakeOs::EnumProcessModules(OsHandle process, OsHandle* modules, uint32_t count,
                                uint32_t* countNeeded) {
  Record("EnumProcessModules");
  return ListModules(process, modules, count, countNeeded, false);
}

bool FakeOs::EnumProcessModulesEx(OsHandle process, OsHandle* modules, uint32_t count,
                                  uint32_t* countNeeded, uint32_t filterFlag) {
  Record("EnumProcessModulesEx");
  if (!EnumProcessModulesExBound) return false;
  return ListModules(process, modules, count, countNeeded, filterFlag == kListModulesAll);
}

bool FakeOs::ListModules(OsHandle process, OsHandle* modules, uint32_t count,
                         uint32_t* countNeeded, bool all32Bit) {
  if (!ProcessStatusAvailable) return false;
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr || (handle->Access & (kProcessQueryInformation | kProcessVmRead)) !=
                               (kProcessQueryInformation | kProcessVmRead))
    return false;
  const TFakeProcess* target = FindProcess(handle->ProcessId);
  if (target == nullptr || target->EnumModulesFails || (ProgramPointerSize == 4 && target->Is64Bit))
    return false;
  uint32_t needed = 0;
  for (const auto& module : target->Modules) {
    if (!module.InModuleList || !ModuleVisible(ProgramPointerSize, *target, module, all32Bit))
      continue;
    if (needed < count) modules[needed] = module.Base;
    ++needed;
  }
  *countNeeded = needed;
  return true;
}

}  // namespace kvt
