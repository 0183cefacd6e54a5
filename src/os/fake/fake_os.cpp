#include "os/fake/fake_os.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "os/portable/version_block.h"
#include "os/portable/windows_1252.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr OsHandle kCurrentProcessPseudoHandle = kInvalidHandleValue;  // -1, as on the platform

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

// Environment names ignore case, as on the platform.
std::u16string EnvironmentKey(const char16_t* name) {
  std::u16string upper(name);
  for (char16_t& c : upper)
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
  return upper;
}

std::string Take(const char* text, int length) {
  return length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
}

// A snapshot's next record.
template <typename TEntry>
bool TakeEntry(const std::vector<TEntry>& entries, size_t& cursor, TEntry* entry) {
  if (cursor >= entries.size()) return false;
  *entry = entries[cursor++];
  return true;
}

bool RunsUnderWow64(const TFakeProcess& process) {
  return std::any_of(process.Modules.begin(), process.Modules.end(),
                     [](const TFakeModule& module) { return module.Wow64Module; });
}

// Which modules a program of PointerSize bytes sees: a 32-bit program sees
// the 32-bit modules of a WOW64 process only, a 64-bit one its 64-bit
// modules and, when asked for them, its 32-bit ones.
bool ModuleVisible(uint32_t pointerSize, const TFakeProcess& process, const TFakeModule& module,
                   bool with32Bit) {
  if (pointerSize == 4) return !RunsUnderWow64(process) || module.Wow64Module;
  return !module.Wow64Module || with32Bit;
}

// GetWindowsDirectoryA and GetSystemDirectoryA: the length copied, or the size
// needed when the buffer is too small, or 0 on failure.
uint32_t CopyDirectory(const std::string& directory, char* buffer, uint32_t size) {
  if (directory.empty()) return 0;
  if (directory.size() >= size) return static_cast<uint32_t>(directory.size() + 1);
  return CopyToBuffer(directory, buffer, size);
}

constexpr uint32_t kStatusInvalidInfoClass = 0xC0000003u;
constexpr uint32_t kStatusInvalidHandle = 0xC0000008u;
constexpr uint32_t kStatusBufferOverflow = 0x80000005u;

void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
}

void PutU64(uint8_t* at, uint64_t value) {
  PutU32(at, static_cast<uint32_t>(value));
  PutU32(at + 4, static_cast<uint32_t>(value >> 32));
}

// A pointer-sized field of the program's width.
void PutPointer(uint8_t* at, uint64_t value, uint32_t pointerSize) {
  if (pointerSize == 8)
    PutU64(at, value);
  else
    PutU32(at, static_cast<uint32_t>(value));
}

void PutText(uint8_t* at, const std::u16string& text, size_t characters) {
  for (size_t i = 0; i < characters; ++i) PutU16(at + 2 * i, text[i]);
}

}  // namespace

uint32_t CopyToBuffer(const std::string& text, char* buffer, uint32_t size) {
  if (size == 0) return 0;
  const uint32_t length = std::min<uint32_t>(static_cast<uint32_t>(text.size()), size - 1);
  std::memcpy(buffer, text.data(), length);
  buffer[length] = '\0';
  return length;
}

FakeOs::FakeOs() {
  Version.dwOSVersionInfoSize = sizeof Version;
  Version.dwMajorVersion = 5;
  Version.dwMinorVersion = 1;
  Version.dwBuildNumber = 2600;
  Version.dwPlatformId = kVerPlatformWin32Nt;
  DriveDevices['C'] = "\\Device\\HarddiskVolume1";
}

FakeOs::~FakeOs() {
  {
    const std::lock_guard<std::mutex> lock(workerMutex_);
    released_ = true;
  }
  workerChanged_.notify_all();
  for (auto& worker : abandoned_) worker->Thread.join();
}

void FakeOs::Record(const char* call) {
  if (RecordCalls)
    Calls.emplace_back(call);
  else
    ++callCounts_[call];
}

size_t FakeOs::CallCount(const std::string& name) const {
  if (!RecordCalls) {
    const auto found = callCounts_.find(name);
    return found == callCounts_.end() ? 0 : found->second;
  }
  return static_cast<size_t>(std::count(Calls.begin(), Calls.end(), name));
}

TFakeProcess* FakeOs::FindProcess(uint32_t id) {
  if (processesIndexed_ != Processes.size() || processIndex_.empty()) {
    processIndex_.clear();
    for (size_t i = 0; i < Processes.size(); ++i) processIndex_[Processes[i].Id].push_back(i);
    processesIndexed_ = Processes.size();
  }
  const auto found = processIndex_.find(id);
  if (found == processIndex_.end()) return nullptr;
  for (const size_t i : found->second)
    if (Processes[i].Alive) return &Processes[i];
  return nullptr;
}

ptrdiff_t FakeOs::TableEntryOf(uint32_t processId, uint64_t handle) {
  if (tableEntriesIndexed_ != HandleTable.size() || tableIndex_.empty()) {
    tableIndex_.clear();
    for (size_t i = 0; i < HandleTable.size(); ++i)
      tableIndex_.emplace(std::make_pair(HandleTable[i].ProcessId, HandleTable[i].Handle), i);
    tableEntriesIndexed_ = HandleTable.size();
  }
  const auto found = tableIndex_.find({processId, handle});
  return found == tableIndex_.end() ? -1 : static_cast<ptrdiff_t>(found->second);
}

OsHandle FakeOs::NewHandle(THandle handle) {
  const OsHandle value = nextHandle_;
  nextHandle_ += 4;
  handles_.emplace(value, std::move(handle));
  return value;
}

FakeOs::THandle* FakeOs::Find(OsHandle handle, THandle::Kind kind) {
  const auto found = handles_.find(handle);
  if (found == handles_.end() || found->second.Type != kind) return nullptr;
  return &found->second;
}

bool FakeOs::GetVersionExA(TOsVersionInfo* info) {
  Record("GetVersionExA");
  if (VersionFails || info->dwOSVersionInfoSize != sizeof(TOsVersionInfo)) return false;
  *info = Version;
  return true;
}

OsHandle FakeOs::GetCurrentProcess() { return kCurrentProcessPseudoHandle; }
uint32_t FakeOs::GetCurrentProcessId() { return CurrentProcessId; }
std::string FakeOs::GetCommandLineA() { return CommandLine; }
std::string FakeOs::GetOwnModuleFileName() { return OwnModuleFileName; }

bool FakeOs::IsBound(TOptionalEntry entry) {
  switch (entry) {
    case TOptionalEntry::GetProcessImageFileNameA:
      return ImageFileNameBound;
    case TOptionalEntry::NtQuerySystemInformation:
      return NtQuerySystemInformationBound;
    case TOptionalEntry::NtQueryObject:
      return NtQueryObjectBound;
    case TOptionalEntry::NtQueryInformationFile:
      return NtQueryInformationFileBound;
    case TOptionalEntry::EnumProcessModulesEx:
      return ProcessStatusAvailable && EnumProcessModulesExBound;
    case TOptionalEntry::Wow64FsRedirection:
      return Wow64RedirectionBound;
  }
  return false;
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

OsHandle FakeOs::OpenProcess(uint32_t access, bool, uint32_t processId) {
  Record("OpenProcess");
  const TFakeProcess* process = FindProcess(processId);
  if (process == nullptr || (access & ~process->AllowedAccess) != 0) return 0;
  THandle handle;
  handle.Type = THandle::Process;
  handle.ProcessId = processId;
  handle.Access = access;
  return NewHandle(std::move(handle));
}

bool FakeOs::CloseHandle(OsHandle handle) {
  Record("CloseHandle");
  return handles_.erase(handle) == 1;
}

uint32_t FakeOs::GetModuleFileNameExA(OsHandle process, OsHandle module, char* buffer,
                                      uint32_t size) {
  Record("GetModuleFileNameExA");
  if (!ProcessStatusAvailable) return 0;
  const THandle* handle = Find(process, THandle::Process);
  const TFakeProcess* target = handle ? FindProcess(handle->ProcessId) : nullptr;
  if (target == nullptr) return 0;
  if (module == 0) {
    if (target->ModulePath.empty()) return 0;
    return CopyToBuffer(target->ModulePath, buffer, size);
  }
  for (const auto& loaded : target->Modules) {
    if (loaded.Base != module) continue;
    if (loaded.NameFails) return 0;
    return CopyToBuffer(loaded.StatusName.empty() ? loaded.Path : loaded.StatusName, buffer, size);
  }
  return 0;
}

uint32_t FakeOs::GetProcessImageFileNameA(OsHandle process, char* buffer, uint32_t size) {
  Record("GetProcessImageFileNameA");
  if (!ImageFileNameBound) return 0;
  const THandle* handle = Find(process, THandle::Process);
  const TFakeProcess* target = handle ? FindProcess(handle->ProcessId) : nullptr;
  if (target == nullptr || target->ImageDevicePath.empty()) return 0;
  return CopyToBuffer(target->ImageDevicePath, buffer, size);
}

bool FakeOs::TerminateProcess(OsHandle process, uint32_t) {
  Record("TerminateProcess");
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr || (handle->Access & kProcessTerminate) == 0) return false;
  TFakeProcess* target = FindProcess(handle->ProcessId);
  if (target == nullptr || !target->CanTerminate) return false;
  target->Alive = false;
  return true;
}

bool FakeOs::IsWow64Process(OsHandle, bool* wow64) {
  Record("IsWow64Process");
  if (!IsWow64Exported) return false;
  *wow64 = Wow64;
  return true;
}

bool FakeOs::CreateProcessA(const char* applicationName, const std::string& commandLine,
                            TProcessInformation* info) {
  Record("CreateProcessA");
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

uint32_t FakeOs::WaitForSingleObject(OsHandle handle, uint32_t) {
  Record("WaitForSingleObject");
  return Find(handle, THandle::Started) != nullptr && !WaitFails ? kWaitObject0 : kWaitFailed;
}

bool FakeOs::GetExitCodeProcess(OsHandle process, uint32_t* exitCode) {
  Record("GetExitCodeProcess");
  if (Find(process, THandle::Started) == nullptr) return false;
  *exitCode = StartedExitCode;
  return true;
}

uint32_t FakeOs::GetEnvironmentVariableW(const char16_t* name, char16_t* buffer,
                                         uint32_t size) {
  Record("GetEnvironmentVariableW");
  const auto found = Environment.find(EnvironmentKey(name));
  if (found == Environment.end()) return 0;
  const std::u16string& value = found->second;
  if (value.size() >= size) return static_cast<uint32_t>(value.size() + 1);
  std::copy(value.begin(), value.end(), buffer);
  buffer[value.size()] = u'\0';
  return static_cast<uint32_t>(value.size());
}

bool FakeOs::SetEnvironmentVariableW(const char16_t* name, const char16_t* value) {
  Record("SetEnvironmentVariableW");
  if (value == nullptr)
    Environment.erase(EnvironmentKey(name));
  else
    Environment[EnvironmentKey(name)] = value;
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
        (ProgramPointerSize == 4 && target->Is64Bit))
      return kInvalidHandleValue;
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
      CopyToBuffer(slash == std::string::npos ? module.Path : module.Path.substr(slash + 1),
                   entry.szModule, sizeof entry.szModule);
      CopyToBuffer(module.Path, entry.szExePath, sizeof entry.szExePath);
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
      CopyToBuffer(process.ExeFile, entry.szExeFile, sizeof entry.szExeFile);
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

std::string FakeOs::FileKey(const std::string& path, bool redirect) const {
  std::string full;
  if (path.size() >= 2 && path[1] == ':')
    full = path;
  else if (!path.empty() && path[0] == '\\')
    full = CurrentDirectory.substr(0, 2) + path;
  else
    full = CurrentDirectory + "\\" + path;
  std::string key;
  for (char c : full)
    if (c != '\\' || key.empty() || key.back() != '\\') key += AsciiUpper(c);
  if (key.size() > 3 && key.back() == '\\') key.pop_back();
  if (redirect && Wow64 && !redirectionOff_) {
    const std::string system = AsciiUpperCase(SystemDirectory);
    if (key.compare(0, system.size(), system) == 0 &&
        (key.size() == system.size() || key[system.size()] == '\\'))
      key.replace(0, system.size(), AsciiUpperCase(SysWow64Directory));
  }
  return key;
}

TFakeFile& FakeOs::File(const std::string& path) { return files_[FileKey(path, false)]; }

std::string FakeOs::FoundFileKey(const std::string& fileName) const {
  std::string path(fileName);
  // The platform also opens its own native form of a drive path.
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  return path.empty() ? path : FileKey(path, true);
}

TFakeFile* FakeOs::FindFile(const std::string& fileName) {
  const auto found = files_.find(FoundFileKey(fileName));
  return found == files_.end() ? nullptr : &found->second;
}

TFakeFile* FakeOs::OpenedFile(OsHandle file) {
  const THandle* handle = Find(file, THandle::File);
  if (handle == nullptr) return nullptr;
  const auto found = files_.find(handle->Path);
  return found == files_.end() ? nullptr : &found->second;
}

bool FakeOs::Wow64DisableWow64FsRedirection(uint64_t* oldValue) {
  Record("Wow64DisableWow64FsRedirection");
  // Outside WOW64 there is nothing to switch off.
  if (!Wow64RedirectionBound || !Wow64) return false;
  *oldValue = redirectionOff_ ? 1 : 0;
  redirectionOff_ = true;
  return true;
}

bool FakeOs::Wow64RevertWow64FsRedirection(uint64_t oldValue) {
  Record("Wow64RevertWow64FsRedirection");
  if (!Wow64RedirectionBound || !Wow64) return false;
  redirectionOff_ = oldValue != 0;
  return true;
}

uint32_t FakeOs::GetFileAttributesA(const char* fileName) {
  Record("GetFileAttributesA");
  const TFakeFile* file = FindFile(fileName);
  return file ? file->Attributes : kInvalidFileAttributes;
}

uint32_t FakeOs::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  Record("GetWindowsDirectoryA");
  return CopyDirectory(WindowsDirectory, buffer, size);
}

uint32_t FakeOs::GetSystemDirectoryA(char* buffer, uint32_t size) {
  Record("GetSystemDirectoryA");
  return CopyDirectory(SystemDirectory, buffer, size);
}

int32_t FakeOs::SHGetSpecialFolderLocation(OsHandle, int folder, OsItemIdList* idList) {
  Record("SHGetSpecialFolderLocation");
  if (ShellFolders.count(folder) == 0) return static_cast<int32_t>(0x80004005u);  // E_FAIL
  *idList = nextIdList_;
  nextIdList_ += 0x10;
  idLists_[*idList] = folder;
  return 0;
}

bool FakeOs::SHGetPathFromIDListA(OsItemIdList idList, char* path) {
  Record("SHGetPathFromIDListA");
  const auto list = idLists_.find(idList);
  if (list == idLists_.end()) return false;
  const auto folder = ShellFolders.find(list->second);
  if (folder == ShellFolders.end() || folder->second.empty()) return false;
  CopyToBuffer(folder->second, path, 260);
  return true;
}

void FakeOs::CoTaskMemFree(OsItemIdList memory) {
  Record("CoTaskMemFree");
  idLists_.erase(memory);
}

void FakeOs::SetRegistryValue(bool view64, const std::string& key, const std::string& name,
                              uint32_t type, const std::string& data) {
  View(view64)[AsciiUpperCase(key)][AsciiUpperCase(name)] = TRegistryValue{type, data};
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

int32_t FakeOs::RegOpenKeyExA(OsHandle key, const char* subKey, uint32_t, uint32_t samDesired,
                              OsHandle* result) {
  Record("RegOpenKeyExA");
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

int32_t FakeOs::RegQueryValueExA(OsHandle key, const char* valueName, uint32_t* type,
                                 uint8_t* data, uint32_t* dataSize) {
  Record("RegQueryValueExA");
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

uint32_t FakeOs::GetLogicalDrives() {
  Record("GetLogicalDrives");
  uint32_t mask = 0;
  for (const auto& drive : DriveDevices) mask |= 1u << (drive.first - 'A');
  for (char letter : DrivesFailingQuery) mask |= 1u << (letter - 'A');
  return mask;
}

uint32_t FakeOs::QueryDosDeviceA(const char* deviceName, char* buffer, uint32_t size) {
  Record("QueryDosDeviceA");
  const std::string name(deviceName);
  if (name.size() != 2 || name[1] != ':') return 0;
  const char letter = AsciiUpper(name[0]);
  const auto found = DriveDevices.find(letter);
  if (found == DriveDevices.end() || DrivesFailingQuery.count(letter)) return 0;
  // The reply is a list of texts ending in an empty one.
  if (size < found->second.size() + 2) return 0;
  CopyToBuffer(found->second, buffer, size);
  buffer[found->second.size() + 1] = '\0';
  return static_cast<uint32_t>(found->second.size() + 2);
}

OsHandle FakeOs::CreateFileA(const char* fileName, uint32_t desiredAccess, uint32_t shareMode,
                             uint32_t creationDisposition, uint32_t flagsAndAttributes) {
  Record("CreateFileA");
  CreateFileCalls.push_back(
      {fileName, desiredAccess, shareMode, creationDisposition, flagsAndAttributes});
  const TFakeFile* file = FindFile(fileName);
  // Only existing files are modelled, and only for reading.
  if (file == nullptr || file->OpenFails || (file->Attributes & kFileAttributeDirectory) ||
      desiredAccess != kGenericRead || creationDisposition != kOpenExisting)
    return kInvalidHandleValue;
  THandle handle;
  handle.Type = THandle::File;
  handle.Access = desiredAccess;
  handle.Path = FoundFileKey(fileName);
  return NewHandle(std::move(handle));
}

uint32_t FakeOs::GetFileSize(OsHandle file, uint32_t* fileSizeHigh) {
  Record("GetFileSize");
  const TFakeFile* target = OpenedFile(file);
  if (target == nullptr) return 0xFFFFFFFFu;
  const uint64_t size = target->ReportedSize >= 0 ? static_cast<uint64_t>(target->ReportedSize)
                                                  : target->Bytes.size() + target->ZeroTail;
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<uint32_t>(size >> 32);
  return static_cast<uint32_t>(size);
}

bool FakeOs::ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  Record("ReadFile");
  *bytesRead = 0;
  THandle* handle = Find(file, THandle::File);
  const TFakeFile* target = OpenedFile(file);
  if (target == nullptr) return false;
  if (target->ReadFailsAt >= 0 &&
      handle->Position + bytesToRead > static_cast<uint64_t>(target->ReadFailsAt))
    return false;
  const uint64_t stored = target->Bytes.size();
  const uint64_t size = stored + target->ZeroTail;
  const uint64_t count = handle->Position >= size
                             ? 0
                             : std::min<uint64_t>(bytesToRead, size - handle->Position);
  const uint64_t fromBytes =
      handle->Position >= stored ? 0 : std::min<uint64_t>(count, stored - handle->Position);
  if (fromBytes != 0) std::memcpy(buffer, target->Bytes.data() + handle->Position, fromBytes);
  std::memset(static_cast<uint8_t*>(buffer) + fromBytes, 0, count - fromBytes);
  handle->Position += count;
  BytesRead += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool FakeOs::GetVolumeInformationA(const char* rootPathName, char* volumeNameBuffer,
                                   uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                   uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                                   char* fileSystemNameBuffer, uint32_t fileSystemNameSize) {
  Record("GetVolumeInformationA");
  const std::string root(rootPathName);
  if (root.size() != 3 || root.compare(1, 2, ":\\") != 0) return false;
  const char letter = AsciiUpper(root[0]);
  if (letter < 'A' || letter > 'Z' || (GetLogicalDrives() & (1u << (letter - 'A'))) == 0 ||
      DrivesWithoutVolume.count(letter))
    return false;
  if (volumeNameBuffer) CopyToBuffer("FAKE", volumeNameBuffer, volumeNameSize);
  if (volumeSerialNumber) *volumeSerialNumber = 0x1234ABCDu;
  if (maximumComponentLength) *maximumComponentLength = 255;
  if (fileSystemFlags) *fileSystemFlags = 0;
  if (fileSystemNameBuffer) CopyToBuffer("NTFS", fileSystemNameBuffer, fileSystemNameSize);
  return true;
}

uint32_t FakeOs::GetFileVersionInfoSizeA(const char* fileName, uint32_t* handle) {
  Record("GetFileVersionInfoSizeA");
  *handle = 0;
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return 0;
  return PortableFileVersionInfoSize(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                     file->Bytes.size());
}

bool FakeOs::GetFileVersionInfoA(const char* fileName, uint32_t, uint32_t size, void* data) {
  Record("GetFileVersionInfoA");
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return false;
  return PortableFileVersionInfo(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                 file->Bytes.size(), size, data);
}

bool FakeOs::VerQueryValueA(const void* block, const char* subBlock, const void** value,
                            uint32_t* length) {
  Record("VerQueryValueA");
  return QueryVersionBlock(block, subBlock, value, length);
}

int FakeOs::CompareStringA(uint32_t, uint32_t flags, const char* a, int aLength, const char* b,
                           int bLength) {
  Record("CompareStringA");
  std::string left = Take(a, aLength);
  std::string right = Take(b, bLength);
  if (flags & kNormIgnoreCase) {
    std::transform(left.begin(), left.end(), left.begin(), AsciiUpper);
    std::transform(right.begin(), right.end(), right.begin(), AsciiUpper);
  }
  const int order = left.compare(right);
  return order < 0 ? 1 : (order == 0 ? kCstrEqual : 3);
}

bool FakeOs::IsDBCSLeadByte(uint8_t byte) { return LeadBytes.count(byte) != 0; }

std::string FakeOs::ConvertAnsiToOem(const std::string& text) {
  Record("ConvertAnsiToOem");
  // The German umlauts of the Western ANSI page and where the OEM page keeps them.
  static const std::map<uint8_t, uint8_t> kAnsiToOem = {
      {0xE4, 0x84}, {0xF6, 0x94}, {0xFC, 0x81}, {0xC4, 0x8E}, {0xD6, 0x99}, {0xDC, 0x9A}};
  std::string result = text;
  for (char& c : result) {
    const auto found = kAnsiToOem.find(static_cast<uint8_t>(c));
    if (found != kAnsiToOem.end()) c = static_cast<char>(found->second);
  }
  return result;
}

bool FakeOs::WriteStdOut(const char* data, size_t length) {
  Record("WriteStdOut");
  if (StdOutFails) return false;
  StdOut.append(data, length);
  return true;
}

bool FakeOs::WriteStdErr(const char* data, size_t length) {
  Record("WriteStdErr");
  StdErr.append(data, length);
  return true;
}

void FakeOs::OutputDebugStringA(const char* text) {
  Record("OutputDebugStringA");
  DebugOutput.emplace_back(text);
}

}  // namespace kvt

namespace kvt {

const TFakeHandle* FakeOs::ObjectOf(OsHandle handle) {
  if (const THandle* copy = Find(handle, THandle::Object)) return &copy->Copied;
  const ptrdiff_t own = TableEntryOf(CurrentProcessId, handle);
  return own < 0 ? nullptr : &HandleTable[static_cast<size_t>(own)];
}

bool FakeOs::Stall() {
  if (std::this_thread::get_id() == callerThread_) {
    ++StallsOnCallerThread;
    return false;
  }
  std::unique_lock<std::mutex> lock(workerMutex_);
  ++stalledWorkers_;
  workerChanged_.notify_all();
  workerChanged_.wait(lock, [this] { return released_; });
  return true;
}

std::vector<const TFakeHandle*> FakeOs::ReportedTable() const {
  std::vector<const TFakeHandle*> table;
  for (const auto& entry : HandleTable) table.push_back(&entry);
  for (const auto& handle : handles_)
    if (handle.second.Type == THandle::Object) table.push_back(&handle.second.Copied);
  return table;
}

uint32_t FakeOs::NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                          uint32_t* needed) {
  Record("NtQuerySystemInformation");
  if (!NtQuerySystemInformationBound) return kStatusNotImplemented;
  if (infoClass != kSystemHandleInformation && infoClass != kSystemExtendedHandleInformation)
    return kStatusInvalidInfoClass;
  if (OnHandleTableRead) OnHandleTableRead();
  const bool extended = infoClass == kSystemExtendedHandleInformation;
  const bool wide = ProgramPointerSize == 8;
  // Old table: a 32-bit count, then 16 bytes an entry for the 32-bit program
  // and 24, aligned, for the 64-bit one. Extended table: a pointer-sized
  // count and reserved word, then 28 or 40 bytes an entry.
  const uint32_t header = extended ? 2 * ProgramPointerSize : ProgramPointerSize;
  const uint32_t entrySize = extended ? (wide ? 40 : 28) : (wide ? 24 : 16);
  const std::vector<const TFakeHandle*> table = ReportedTable();
  const auto count = static_cast<uint32_t>(table.size());
  const uint64_t required = header + uint64_t{count} * entrySize + handleTableGrowth_;
  handleTableGrowth_ += HandleTableGrowthPerRead;
  *needed = static_cast<uint32_t>(std::min<uint64_t>(required, 0xFFFFFFFFu));
  if (size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, header + size_t{count} * entrySize);
  PutPointer(buffer, count, ProgramPointerSize);
  for (uint32_t i = 0; i < count; ++i) {
    const TFakeHandle& entry = *table[i];
    uint8_t* at = buffer + header + size_t{i} * entrySize;
    if (extended) {
      const uint32_t word = ProgramPointerSize;
      PutPointer(at, entry.Object, word);
      PutPointer(at + word, entry.ProcessId, word);
      PutPointer(at + 2 * word, entry.Handle, word);
      PutU32(at + 3 * word, entry.GrantedAccess);
      PutU16(at + 3 * word + 6, entry.ObjectType);
      PutU32(at + 3 * word + 8, entry.Flags);
    } else {
      PutU16(at, entry.ProcessId & 0xFFFF);
      at[4] = static_cast<uint8_t>(entry.ObjectType);
      at[5] = static_cast<uint8_t>(entry.Flags);
      PutU16(at + 6, static_cast<uint32_t>(entry.Handle & 0xFFFF));
      PutPointer(at + 8, entry.Object, ProgramPointerSize);
      PutU32(at + (wide ? 16 : 12), entry.GrantedAccess);
    }
  }
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                               uint32_t size, uint32_t* needed) {
  Record(infoClass == kObjectTypeInformation ? "NtQueryObject/type" : "NtQueryObject");
  if (!NtQueryObjectBound) return kStatusNotImplemented;
  if (infoClass != kObjectNameInformation && infoClass != kObjectTypeInformation)
    return kStatusInvalidInfoClass;
  const TFakeHandle* object = ObjectOf(handle);
  if (object == nullptr) return kStatusInvalidHandle;
  // Only the name waits on the object; its type is known at once.
  const bool typeWanted = infoClass == kObjectTypeInformation;
  if (object->Stalls && !typeWanted) {
    Stall();
    return kStatusUnsuccessful;
  }
  const auto typeName = ObjectTypeNames.find(object->ObjectType);
  if (typeWanted && typeName == ObjectTypeNames.end()) return kStatusUnsuccessful;
  const std::u16string& text = typeWanted ? typeName->second : object->Name;
  // A counted string (two 16-bit lengths and a pointer, aligned to its
  // width); the text follows it, or for a type the rest of its record.
  const uint32_t header = 2 * ProgramPointerSize;
  const uint32_t textOffset = typeWanted ? (ProgramPointerSize == 8 ? 104 : 96) : header;
  const uint32_t bytes = static_cast<uint32_t>(text.size() * 2);
  const uint32_t required = textOffset + (bytes == 0 ? 0 : bytes + 2);
  *needed = required;
  if (buffer == nullptr || size < required) return kStatusInfoLengthMismatch;
  std::memset(buffer, 0, textOffset);
  PutU16(buffer, bytes);
  PutU16(buffer + 2, bytes == 0 ? 0 : bytes + 2);
  // Where the text would be in memory.
  PutPointer(buffer + header / 2, bytes == 0 ? 0 : 0x00140008u + textOffset, ProgramPointerSize);
  if (bytes != 0) {
    PutText(buffer + textOffset, text, text.size());
    PutU16(buffer + textOffset + bytes, 0);
  }
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryInformationFile(OsHandle file, TIoStatusBlock* ioStatus, uint8_t* buffer,
                                        uint32_t size, uint32_t infoClass) {
  Record("NtQueryInformationFile");
  if (!NtQueryInformationFileBound) return kStatusNotImplemented;
  if (infoClass != kFileNameInformation) return kStatusInvalidInfoClass;
  const TFakeHandle* object = ObjectOf(file);
  if (object == nullptr) return kStatusInvalidHandle;
  if (object->Stalls) {
    Stall();
    return kStatusUnsuccessful;
  }
  if (size < 4) return kStatusInfoLengthMismatch;
  const uint32_t bytes = static_cast<uint32_t>(object->FileName.size() * 2);
  const uint32_t fit = std::min(bytes, (size - 4) & ~1u);
  PutU32(buffer, bytes);
  PutText(buffer + 4, object->FileName, fit / 2);
  const uint32_t status = fit < bytes ? kStatusBufferOverflow : kStatusSuccess;
  ioStatus->Status = status;
  ioStatus->Information = 4 + fit;
  return status;
}

bool FakeOs::DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                             OsHandle* target, uint32_t, bool, uint32_t) {
  Record("DuplicateHandle");
  *target = 0;
  if (targetProcess != kCurrentProcessPseudoHandle) return false;
  const TFakeHandle* object = nullptr;
  if (sourceProcess == kCurrentProcessPseudoHandle) {
    object = ObjectOf(source);
  } else {
    const THandle* process = Find(sourceProcess, THandle::Process);
    if (process == nullptr || (process->Access & kProcessDupHandle) == 0) return false;
    const ptrdiff_t entry = TableEntryOf(process->ProcessId, source);
    if (entry >= 0) object = &HandleTable[static_cast<size_t>(entry)];
  }
  if (object == nullptr || !object->CanDuplicate) return false;
  THandle copy;
  copy.Type = THandle::Object;
  copy.ProcessId = CurrentProcessId;
  copy.Copied = *object;
  copy.Copied.ProcessId = CurrentProcessId;
  const OsHandle value = NewHandle(std::move(copy));
  handles_[value].Copied.Handle = value;
  *target = value;
  return true;
}

TWorkerResult FakeOs::RunWorker(std::unique_ptr<TWorkerJob>& job, uint32_t timeoutMs) {
  Record("RunWorker");
  if (WorkersFail) return TWorkerResult::NotStarted;
  auto worker = std::make_unique<TWorker>();
  TWorker* running = worker.get();
  TWorkerJob* body = job.get();
  std::unique_lock<std::mutex> lock(workerMutex_);
  const size_t stalledBefore = stalledWorkers_;
  running->Thread = std::thread([this, body, running] {
    body->Run();
    const std::lock_guard<std::mutex> done(workerMutex_);
    running->Done = true;
    workerChanged_.notify_all();
  });
  if (workerChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [running] { return running->Done; })) {
    lock.unlock();
    running->Thread.join();
    return TWorkerResult::Finished;
  }
  // Past the limit the worker counts as abandoned; the fake still waits until
  // it is done with the fake's own state.
  workerChanged_.wait(lock, [&] { return running->Done || stalledWorkers_ > stalledBefore; });
  lock.unlock();
  worker->Job = std::move(job);
  abandoned_.push_back(std::move(worker));
  return TWorkerResult::Abandoned;
}

std::string FakeOs::UnicodeToAnsi(const std::u16string& text) {
  std::string ansi;
  for (char16_t c : text) ansi += static_cast<char>(Utf16ToWindows1252(c));
  return ansi;
}

std::u16string FakeOs::AnsiToUnicode(const std::string& text) {
  std::u16string unicode;
  for (char c : text) unicode += static_cast<char16_t>(Windows1252ToUtf16(static_cast<uint8_t>(c)));
  return unicode;
}

}  // namespace kvt
