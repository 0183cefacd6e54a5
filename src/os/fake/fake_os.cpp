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

// Whether Units[I] and the unit after it are a surrogate pair: one character.
bool SurrogatePairAt(const std::u16string& units, size_t i) {
  return units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() &&
         units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF;
}

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
    for (auto& worker : workers_) worker.second->Quit = true;
    for (auto& worker : abandoned_) worker->Quit = true;
  }
  workerChanged_.notify_all();
  for (auto& worker : workers_) worker.second->Thread.join();
  for (auto& worker : abandoned_) worker->Thread.join();
}

void FakeOs::Record(const char* call) {
  if (debugPrivilegeEnabled_) CallsWithDebugPrivilege.emplace_back(call);
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
    case TOptionalEntry::QueryFullProcessImageNameW:
      return FullImageNameBound;
    case TOptionalEntry::NtQueryInformationProcess:
      return NtQueryInformationProcessBound;
    case TOptionalEntry::EnumServicesStatusExW:
      return EnumServicesBound;
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
    const bool pair = SurrogatePairAt(units, i);
    auto byte = static_cast<uint8_t>(pair ? '?' : Utf16ToWindows1252(units[i]));
    if (pair) ++i;
    const auto oem = kAnsiToOem.find(byte);
    if (codePage == kCpOemCp && oem != kAnsiToOem.end()) byte = oem->second;
    result += static_cast<char>(byte);
  }
  return result;
}

namespace {

// Upper case as the platform maps it, for these scripts only: ASCII, Latin-1
// Supplement, Latin Extended-A, the modern Greek letters, Cyrillic, fullwidth
// Latin and Deseret (outside the Basic Multilingual Plane). Every other
// character stays as it is. Each row maps First, First + Step, ... up to Last
// by adding Delta; a step of 2 serves the blocks of alternating letter pairs.
struct TUpperRange {
  char32_t First;
  char32_t Last;
  char32_t Step;
  int32_t Delta;
};
constexpr TUpperRange kUpperRanges[] = {
    {0x0061, 0x007A, 1, -0x20},     // a-z
    {0x00E0, 0x00F6, 1, -0x20},     // a grave - o diaeresis
    {0x00F8, 0x00FE, 1, -0x20},     // o stroke - thorn
    {0x00FF, 0x00FF, 1, 0x79},      // y diaeresis
    {0x0101, 0x012F, 2, -1},
    {0x0133, 0x0137, 2, -1},
    {0x013A, 0x0148, 2, -1},
    {0x014B, 0x0177, 2, -1},
    {0x017A, 0x017E, 2, -1},
    {0x03AC, 0x03AC, 1, -0x26},     // alpha with tonos
    {0x03AD, 0x03AF, 1, -0x25},     // epsilon, eta, iota with tonos
    {0x03B1, 0x03C1, 1, -0x20},     // alpha - rho
    {0x03C3, 0x03CB, 1, -0x20},     // sigma - upsilon with dialytika
    {0x03CC, 0x03CC, 1, -0x40},     // omicron with tonos
    {0x03CD, 0x03CE, 1, -0x3F},     // upsilon, omega with tonos
    {0x0430, 0x044F, 1, -0x20},     // a - ya
    {0x0450, 0x045F, 1, -0x50},     // ie grave - dzhe
    {0x0461, 0x0481, 2, -1},
    {0x048B, 0x04BF, 2, -1},
    {0x04C2, 0x04CE, 2, -1},
    {0x04CF, 0x04CF, 1, -0x0F},     // palochka
    {0x04D1, 0x04FF, 2, -1},
    {0xFF41, 0xFF5A, 1, -0x20},     // fullwidth a-z
    {0x10428, 0x1044F, 1, -0x28},   // Deseret
};

char32_t FakeUpperCase(char32_t code) {
  for (const TUpperRange& range : kUpperRanges)
    if (code >= range.First && code <= range.Last && (code - range.First) % range.Step == 0)
      return static_cast<char32_t>(static_cast<int32_t>(code) + range.Delta);
  return code;
}

}  // namespace

std::string FakeOs::LCMapStringW(uint32_t, uint32_t mapFlags, const std::string& text) {
  Record("LCMapStringW");
  if (mapFlags != kLcmapUppercase) return text;  // the one mapping scripted
  std::u16string units = Utf8ToUtf16(text.data(), text.size());
  for (size_t i = 0; i < units.size(); ++i) {
    if (!SurrogatePairAt(units, i)) {
      units[i] = static_cast<char16_t>(FakeUpperCase(units[i]));
      continue;
    }
    const char32_t upper =
        FakeUpperCase(0x10000 + ((char32_t{units[i]} - 0xD800) << 10) + (units[i + 1] - 0xDC00)) -
        0x10000;
    units[i] = static_cast<char16_t>(0xD800 + (upper >> 10));
    units[i + 1] = static_cast<char16_t>(0xDC00 + (upper & 0x3FF));
    ++i;
  }
  return Utf16ToUtf8(units);
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
  // Each line break moves the cursor down a row; past the last row the
  // buffer scrolls and the cursor stays there.
  const auto breaks = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  Screen.CursorY = static_cast<int16_t>(std::min(Screen.CursorY + breaks, Screen.BufferHeight - 1));
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

bool FakeOs::GetConsoleScreenBufferInfo(uint32_t, TConsoleScreen* screen) {
  Record("GetConsoleScreenBufferInfo");
  if (!StdOutIsConsole) return false;
  *screen = Screen;
  return true;
}

bool FakeOs::SetConsoleCursorPosition(uint32_t, int16_t x, int16_t y) {
  Record("SetConsoleCursorPosition");
  Screen.CursorX = x;
  Screen.CursorY = y;
  return StdOutIsConsole;
}

uint32_t FakeOs::FillConsoleOutputCharacterW(uint32_t, uint32_t count, int16_t, int16_t) {
  Record("FillConsoleOutputCharacterW");
  CellsBlanked += count;
  return count;
}

OsHandle FakeOs::SetConsoleCtrlHandler() {
  Record("SetConsoleCtrlHandler");
  if (CtrlHandlerFails) return 0;
  if (stopEvent_ == 0) {
    THandle event;
    event.Type = THandle::StopEvent;
    stopEvent_ = NewHandle(std::move(event));
  }
  return stopEvent_;
}

}  // namespace kvt
