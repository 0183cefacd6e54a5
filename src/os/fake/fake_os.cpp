#include "os/fake/fake_os.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "os/portable/version_block.h"
#include "os/portable/windows_1252.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr OsHandle kCurrentProcessPseudoHandle = 0xFFFFFFFFu;

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string Take(const char* text, int length) {
  return length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
}

// A snapshot's next record, handed out only when the caller set the size field right.
template <typename TEntry>
bool TakeEntry(const std::vector<TEntry>& entries, size_t& cursor, TEntry* entry) {
  if (entry->dwSize != sizeof(TEntry) || cursor >= entries.size()) return false;
  *entry = entries[cursor++];
  return true;
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
constexpr uint32_t kTableEntrySize = 16;

void PutU16(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}

void PutU32(uint8_t* at, uint32_t value) {
  PutU16(at, value & 0xFFFF);
  PutU16(at + 2, value >> 16);
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

size_t FakeOs::CallCount(const std::string& name) const {
  return static_cast<size_t>(std::count(Calls.begin(), Calls.end(), name));
}

TFakeProcess* FakeOs::FindProcess(uint32_t id) {
  for (auto& process : Processes)
    if (process.Id == id && process.Alive) return &process;
  return nullptr;
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
  Calls.push_back("GetVersionExA");
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
  }
  return false;
}

bool FakeOs::EnumProcesses(uint32_t* ids, uint32_t bytes, uint32_t* bytesReturned) {
  Calls.push_back("EnumProcesses");
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
  Calls.push_back("OpenProcess");
  const TFakeProcess* process = FindProcess(processId);
  if (process == nullptr || (access & ~process->AllowedAccess) != 0) return 0;
  THandle handle;
  handle.Type = THandle::Process;
  handle.ProcessId = processId;
  handle.Access = access;
  return NewHandle(std::move(handle));
}

bool FakeOs::CloseHandle(OsHandle handle) {
  Calls.push_back("CloseHandle");
  return handles_.erase(handle) == 1;
}

uint32_t FakeOs::GetModuleFileNameExA(OsHandle process, OsHandle module, char* buffer,
                                      uint32_t size) {
  Calls.push_back("GetModuleFileNameExA");
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
  Calls.push_back("GetProcessImageFileNameA");
  if (!ImageFileNameBound) return 0;
  const THandle* handle = Find(process, THandle::Process);
  const TFakeProcess* target = handle ? FindProcess(handle->ProcessId) : nullptr;
  if (target == nullptr || target->ImageDevicePath.empty()) return 0;
  return CopyToBuffer(target->ImageDevicePath, buffer, size);
}

bool FakeOs::TerminateProcess(OsHandle process, uint32_t) {
  Calls.push_back("TerminateProcess");
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr || (handle->Access & kProcessTerminate) == 0) return false;
  TFakeProcess* target = FindProcess(handle->ProcessId);
  if (target == nullptr || !target->CanTerminate) return false;
  target->Alive = false;
  return true;
}

bool FakeOs::IsWow64Process(OsHandle, bool* wow64) {
  Calls.push_back("IsWow64Process");
  if (!IsWow64Exported) return false;
  *wow64 = Wow64;
  return true;
}

OsHandle FakeOs::CreateToolhelp32Snapshot(uint32_t flags, uint32_t processId) {
  Calls.push_back("CreateToolhelp32Snapshot");
  if (!ToolhelpAvailable) return 0;
  if (SnapshotFails) return kInvalidHandleValue;
  THandle handle;
  handle.Type = THandle::Snapshot;
  if (flags & kTh32csSnapModule) {
    // Process id 0 asks for the calling process, as on the platform.
    const TFakeProcess* target = FindProcess(processId == 0 ? CurrentProcessId : processId);
    if (target == nullptr || target->ModuleSnapshotFails) return kInvalidHandleValue;
    for (const auto& module : target->Modules) {
      if (!module.InSnapshot) continue;
      TModuleEntry32 entry;
      entry.dwSize = sizeof entry;
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
      TProcessEntry32 entry;
      entry.dwSize = sizeof entry;
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

bool FakeOs::Process32First(OsHandle snapshot, TProcessEntry32* entry) {
  Calls.push_back("Process32First");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  if (handle == nullptr) return false;
  handle->Cursor = 0;
  return TakeEntry(handle->Entries, handle->Cursor, entry);
}

bool FakeOs::Process32Next(OsHandle snapshot, TProcessEntry32* entry) {
  Calls.push_back("Process32Next");
  if (OnProcess32Next) OnProcess32Next();
  THandle* handle = Find(snapshot, THandle::Snapshot);
  return handle != nullptr && TakeEntry(handle->Entries, handle->Cursor, entry);
}

bool FakeOs::Module32First(OsHandle snapshot, TModuleEntry32* entry) {
  Calls.push_back("Module32First");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  if (handle == nullptr) return false;
  handle->ModuleCursor = 0;
  return TakeEntry(handle->Modules, handle->ModuleCursor, entry);
}

bool FakeOs::Module32Next(OsHandle snapshot, TModuleEntry32* entry) {
  Calls.push_back("Module32Next");
  THandle* handle = Find(snapshot, THandle::Snapshot);
  return handle != nullptr && TakeEntry(handle->Modules, handle->ModuleCursor, entry);
}

bool FakeOs::EnumProcessModules(OsHandle process, uint32_t* modules, uint32_t bytes,
                                uint32_t* bytesNeeded) {
  Calls.push_back("EnumProcessModules");
  if (!ProcessStatusAvailable) return false;
  const THandle* handle = Find(process, THandle::Process);
  if (handle == nullptr || (handle->Access & (kProcessQueryInformation | kProcessVmRead)) !=
                               (kProcessQueryInformation | kProcessVmRead))
    return false;
  const TFakeProcess* target = FindProcess(handle->ProcessId);
  if (target == nullptr || target->EnumModulesFails) return false;
  uint32_t needed = 0;
  for (const auto& module : target->Modules) {
    if (!module.InModuleList) continue;
    if (needed + sizeof(uint32_t) <= bytes) modules[needed / sizeof(uint32_t)] = module.Base;
    needed += sizeof(uint32_t);
  }
  *bytesNeeded = needed;
  return true;
}

std::string FakeOs::FileKey(const std::string& path) const {
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
  return key;
}

TFakeFile& FakeOs::File(const std::string& path) { return files_[FileKey(path)]; }

TFakeFile* FakeOs::FindFile(const std::string& fileName) {
  std::string path(fileName);
  // The platform also opens its own native form of a drive path.
  if (path.compare(0, 4, "\\??\\") == 0) path.erase(0, 4);
  if (path.empty()) return nullptr;
  const auto found = files_.find(FileKey(path));
  return found == files_.end() ? nullptr : &found->second;
}

uint32_t FakeOs::GetFileAttributesA(const char* fileName) {
  Calls.push_back("GetFileAttributesA");
  const TFakeFile* file = FindFile(fileName);
  return file ? file->Attributes : kInvalidFileAttributes;
}

uint32_t FakeOs::GetWindowsDirectoryA(char* buffer, uint32_t size) {
  Calls.push_back("GetWindowsDirectoryA");
  return CopyDirectory(WindowsDirectory, buffer, size);
}

uint32_t FakeOs::GetSystemDirectoryA(char* buffer, uint32_t size) {
  Calls.push_back("GetSystemDirectoryA");
  return CopyDirectory(SystemDirectory, buffer, size);
}

int32_t FakeOs::SHGetSpecialFolderLocation(OsHandle, int folder, OsItemIdList* idList) {
  Calls.push_back("SHGetSpecialFolderLocation");
  if (ShellFolders.count(folder) == 0) return static_cast<int32_t>(0x80004005u);  // E_FAIL
  *idList = nextIdList_;
  nextIdList_ += 0x10;
  idLists_[*idList] = folder;
  return 0;
}

bool FakeOs::SHGetPathFromIDListA(OsItemIdList idList, char* path) {
  Calls.push_back("SHGetPathFromIDListA");
  const auto list = idLists_.find(idList);
  if (list == idLists_.end()) return false;
  const auto folder = ShellFolders.find(list->second);
  if (folder == ShellFolders.end() || folder->second.empty()) return false;
  CopyToBuffer(folder->second, path, 260);
  return true;
}

void FakeOs::CoTaskMemFree(OsItemIdList memory) {
  Calls.push_back("CoTaskMemFree");
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
  Calls.push_back("RegOpenKeyExA");
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
  Calls.push_back("RegQueryValueExA");
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
  Calls.push_back("RegCloseKey");
  return keys_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

uint32_t FakeOs::GetLogicalDrives() {
  Calls.push_back("GetLogicalDrives");
  uint32_t mask = 0;
  for (const auto& drive : DriveDevices) mask |= 1u << (drive.first - 'A');
  for (char letter : DrivesFailingQuery) mask |= 1u << (letter - 'A');
  return mask;
}

uint32_t FakeOs::QueryDosDeviceA(const char* deviceName, char* buffer, uint32_t size) {
  Calls.push_back("QueryDosDeviceA");
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
  Calls.push_back("CreateFileA");
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
  handle.Path = fileName;
  return NewHandle(std::move(handle));
}

uint32_t FakeOs::GetFileSize(OsHandle file, uint32_t* fileSizeHigh) {
  Calls.push_back("GetFileSize");
  const THandle* handle = Find(file, THandle::File);
  const TFakeFile* target = handle ? FindFile(handle->Path) : nullptr;
  if (target == nullptr) return 0xFFFFFFFFu;
  const uint64_t size = target->ReportedSize >= 0 ? static_cast<uint64_t>(target->ReportedSize)
                                                  : target->Bytes.size();
  if (fileSizeHigh != nullptr) *fileSizeHigh = static_cast<uint32_t>(size >> 32);
  return static_cast<uint32_t>(size);
}

bool FakeOs::ReadFile(OsHandle file, void* buffer, uint32_t bytesToRead, uint32_t* bytesRead) {
  Calls.push_back("ReadFile");
  *bytesRead = 0;
  THandle* handle = Find(file, THandle::File);
  const TFakeFile* target = handle ? FindFile(handle->Path) : nullptr;
  if (target == nullptr) return false;
  if (target->ReadFailsAt >= 0 &&
      handle->Position + bytesToRead > static_cast<uint64_t>(target->ReadFailsAt))
    return false;
  const uint64_t size = target->Bytes.size();
  const uint64_t count = handle->Position >= size
                             ? 0
                             : std::min<uint64_t>(bytesToRead, size - handle->Position);
  std::memcpy(buffer, target->Bytes.data() + handle->Position, count);
  handle->Position += count;
  *bytesRead = static_cast<uint32_t>(count);
  return true;
}

bool FakeOs::GetVolumeInformationA(const char* rootPathName, char* volumeNameBuffer,
                                   uint32_t volumeNameSize, uint32_t* volumeSerialNumber,
                                   uint32_t* maximumComponentLength, uint32_t* fileSystemFlags,
                                   char* fileSystemNameBuffer, uint32_t fileSystemNameSize) {
  Calls.push_back("GetVolumeInformationA");
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
  Calls.push_back("GetFileVersionInfoSizeA");
  *handle = 0;
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return 0;
  return PortableFileVersionInfoSize(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                     file->Bytes.size());
}

bool FakeOs::GetFileVersionInfoA(const char* fileName, uint32_t, uint32_t size, void* data) {
  Calls.push_back("GetFileVersionInfoA");
  const TFakeFile* file = FindFile(fileName);
  if (file == nullptr || file->OpenFails) return false;
  return PortableFileVersionInfo(reinterpret_cast<const uint8_t*>(file->Bytes.data()),
                                 file->Bytes.size(), size, data);
}

bool FakeOs::VerQueryValueA(const void* block, const char* subBlock, const void** value,
                            uint32_t* length) {
  Calls.push_back("VerQueryValueA");
  return QueryVersionBlock(block, subBlock, value, length);
}

int FakeOs::CompareStringA(uint32_t, uint32_t flags, const char* a, int aLength, const char* b,
                           int bLength) {
  Calls.push_back("CompareStringA");
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
  Calls.push_back("ConvertAnsiToOem");
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
  Calls.push_back("WriteStdOut");
  if (StdOutFails) return false;
  StdOut.append(data, length);
  return true;
}

bool FakeOs::WriteStdErr(const char* data, size_t length) {
  Calls.push_back("WriteStdErr");
  StdErr.append(data, length);
  return true;
}

void FakeOs::OutputDebugStringA(const char* text) {
  Calls.push_back("OutputDebugStringA");
  DebugOutput.emplace_back(text);
}

}  // namespace kvt

namespace kvt {

const TFakeHandle* FakeOs::ObjectOf(OsHandle handle) {
  if (const THandle* copy = Find(handle, THandle::Object)) return &HandleTable[copy->Entry];
  for (const auto& entry : HandleTable)
    if (entry.ProcessId == CurrentProcessId && entry.Handle == handle) return &entry;
  return nullptr;
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

uint32_t FakeOs::NtQuerySystemInformation(uint32_t infoClass, uint8_t* buffer, uint32_t size,
                                          uint32_t* needed) {
  Calls.push_back("NtQuerySystemInformation");
  if (!NtQuerySystemInformationBound) return kStatusNotImplemented;
  if (infoClass != kSystemHandleInformation) return kStatusInvalidInfoClass;
  const uint32_t count = static_cast<uint32_t>(HandleTable.size());
  const uint32_t required = 4 + count * kTableEntrySize;
  if (size < required) {
    *needed = required - std::min(required, HandleTableNeededShortBy);
    return kStatusInfoLengthMismatch;
  }
  PutU32(buffer, count);
  for (uint32_t i = 0; i < count; ++i) {
    const TFakeHandle& entry = HandleTable[i];
    uint8_t* at = buffer + 4 + i * kTableEntrySize;
    PutU16(at, entry.ProcessId & 0xFFFF);
    PutU16(at + 2, 0);
    at[4] = entry.ObjectType;
    at[5] = entry.Flags;
    PutU16(at + 6, entry.Handle);
    PutU32(at + 8, entry.Object);
    PutU32(at + 12, entry.GrantedAccess);
  }
  *needed = required;
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryObject(OsHandle handle, uint32_t infoClass, uint8_t* buffer,
                               uint32_t size, uint32_t* needed) {
  Calls.push_back("NtQueryObject");
  if (!NtQueryObjectBound) return kStatusNotImplemented;
  if (infoClass != kObjectNameInformation) return kStatusInvalidInfoClass;
  const TFakeHandle* object = ObjectOf(handle);
  if (object == nullptr) return kStatusInvalidHandle;
  if (object->Stalls) {
    Stall();
    return kStatusUnsuccessful;
  }
  const uint32_t bytes = static_cast<uint32_t>(object->Name.size() * 2);
  const uint32_t required = 8 + (bytes == 0 ? 0 : bytes + 2);
  *needed = required;
  if (buffer == nullptr || size < required) return kStatusInfoLengthMismatch;
  PutU16(buffer, bytes);
  PutU16(buffer + 2, bytes == 0 ? 0 : bytes + 2);
  PutU32(buffer + 4, bytes == 0 ? 0 : 0x00140008u);  // where the text would be in memory
  if (bytes != 0) {
    PutText(buffer + 8, object->Name, object->Name.size());
    PutU16(buffer + 8 + bytes, 0);
  }
  return kStatusSuccess;
}

uint32_t FakeOs::NtQueryInformationFile(OsHandle file, uint32_t ioStatus[2], uint8_t* buffer,
                                        uint32_t size, uint32_t infoClass) {
  Calls.push_back("NtQueryInformationFile");
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
  ioStatus[0] = status;
  ioStatus[1] = 4 + fit;
  return status;
}

bool FakeOs::DuplicateHandle(OsHandle sourceProcess, OsHandle source, OsHandle targetProcess,
                             OsHandle* target, uint32_t, bool, uint32_t) {
  Calls.push_back("DuplicateHandle");
  *target = 0;
  const THandle* process = Find(sourceProcess, THandle::Process);
  if (process == nullptr || (process->Access & kProcessDupHandle) == 0 ||
      targetProcess != kCurrentProcessPseudoHandle)
    return false;
  for (size_t i = 0; i < HandleTable.size(); ++i) {
    const TFakeHandle& entry = HandleTable[i];
    if (entry.ProcessId != process->ProcessId || entry.Handle != source) continue;
    if (!entry.CanDuplicate) return false;
    THandle copy;
    copy.Type = THandle::Object;
    copy.ProcessId = CurrentProcessId;
    copy.Entry = i;
    *target = NewHandle(std::move(copy));
    return true;
  }
  return false;
}

TWorkerResult FakeOs::RunWorker(std::unique_ptr<TWorkerJob>& job, uint32_t timeoutMs) {
  Calls.push_back("RunWorker");
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
