#include "os/fake/fake_os.h"

#include <algorithm>
#include <chrono>
#include <cstring>

#include "os/portable/version_block.h"
#include "os/portable/windows_1252.h"
#include "support/text.h"
#include "support/utf8.h"

namespace kvt {
namespace {

constexpr OsHandle kCurrentProcessPseudoHandle = kInvalidHandleValue;  // -1, as on the platform

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

std::string Take(const char* text, int length) {
  return length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length));
}

// A snapshot's next record.

}  // namespace

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
std::string FakeOs::GetCommandLineW() { return CommandLine; }
std::string FakeOs::GetOwnModuleFileName() { return OwnModuleFileName; }

bool FakeOs::IsBound(TOptionalEntry entry) {
  switch (entry) {
    case TOptionalEntry::GetProcessImageFileNameW:
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
    case TOptionalEntry::WinVerifyTrust:
      return WinVerifyTrustBound;
    case TOptionalEntry::CertGetNameStringW:
      return CertGetNameStringBound;
    case TOptionalEntry::CatalogAdmin:
      return CatalogAdminBound;
    case TOptionalEntry::CatalogAdmin2:
      return CatalogAdminBound && CatalogAdmin2Bound;
  }
  return false;
}

int FakeOs::CompareStringW(uint32_t, uint32_t flags, const char* a, int aLength, const char* b,
                           int bLength) {
  Record("CompareStringW");
  std::string left = Take(a, aLength);
  std::string right = Take(b, bLength);
  if (flags & kNormIgnoreCase) {
    std::transform(left.begin(), left.end(), left.begin(), AsciiUpper);
    std::transform(right.begin(), right.end(), right.begin(), AsciiUpper);
  }
  const int order = left.compare(right);
  return order < 0 ? 1 : (order == 0 ? kCstrEqual : 3);
}

std::string FakeOs::WideCharToMultiByte(uint32_t codePage, const std::string& text) {
  Record("WideCharToMultiByte");
  // The Western ANSI page, one byte a character ("?" where it has none); the
  // OEM page differs from it only in the German umlauts, where it keeps them.
  static const std::map<uint8_t, uint8_t> kAnsiToOem = {
      {0xE4, 0x84}, {0xF6, 0x94}, {0xFC, 0x81}, {0xC4, 0x8E}, {0xD6, 0x99}, {0xDC, 0x9A}};
  std::string result;
  const std::u16string units = Utf8ToUtf16(text.data(), text.size());
  for (size_t i = 0; i < units.size(); ++i) {
    // A surrogate pair is one character the page lacks.
    const bool pair = units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() &&
                      units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
    auto byte = static_cast<uint8_t>(pair ? '?' : Utf16ToWindows1252(units[i]));
    if (pair) ++i;
    const auto oem = kAnsiToOem.find(byte);
    if (codePage == kCpOemCp && oem != kAnsiToOem.end()) byte = oem->second;
    result += static_cast<char>(byte);
  }
  return result;
}

bool FakeOs::GetConsoleMode(uint32_t stdHandle, uint32_t* mode) {
  Record("GetConsoleMode");
  if (stdHandle != kStdOutputHandle || !StdOutIsConsole) return false;
  *mode = 3;  // processed and wrapped output, as a console starts
  return true;
}

bool FakeOs::WriteConsoleW(uint32_t stdHandle, const std::string& text) {
  Record("WriteConsoleW");
  if (stdHandle != kStdOutputHandle || !StdOutIsConsole || StdOutFails) return false;
  Console += text;
  return true;
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

void FakeOs::OutputDebugStringW(const char* text) {
  Record("OutputDebugStringW");
  DebugOutput.emplace_back(text);
}

}  // namespace kvt
