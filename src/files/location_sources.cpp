#include "files/location_sources.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "os/os.h"
#include "support/registry.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr uint32_t kDirectoryBufferSize = 3 * 511;  // 511 UTF-16 units in UTF-8
constexpr uint32_t kShellPathBufferSize = kMaxPathUtf8;
constexpr const char* kCurrentVersionKey = "Microsoft\\Windows\\CurrentVersion\\";
constexpr const char* kProgramFilesDir = "ProgramFilesDir";

using TPairs = std::vector<std::pair<std::string, std::string>>;

std::string ShellFolderPath(Os& os, int folder) {
  OsItemIdList idList = 0;
  if (os.SHGetSpecialFolderLocation(0, folder, &idList) < 0 || idList == 0) return "";
  char path[kShellPathBufferSize] = {};
  const bool found = os.SHGetPathFromIDListW(idList, path);
  os.CoTaskMemFree(idList);
  return found ? TextUpToZero(path, sizeof path) : "";
}

// A directory call's text; a result that does not fit the buffer counts as failure.
std::string DirectoryText(uint32_t (Os::*call)(char*, uint32_t), Os& os) {
  char buffer[kDirectoryBufferSize] = {};
  const uint32_t length = (os.*call)(buffer, kDirectoryBufferSize);
  return length > 0 && length < kDirectoryBufferSize ? TextUpToZero(buffer, length) : "";
}

std::string RegistryString(Os& os, const std::string& key, const char* name, uint32_t view) {
  std::string value;
  ReadRegistryString(os, key, name, view, value);
  return value;
}

// Each macro's directory as the system tells it, and the shell folder that
// names the same directory. The shell is asked only where the system has no
// answer: loading it costs a start more than all the program's other work.
struct TMacroSource {
  const char* Macro;
  std::function<std::string(Os&)> System;
  int Folder;
};

const TMacroSource kMacroSources[] = {
    {kWinDirMacro, [](Os& os) { return DirectoryText(&Os::GetWindowsDirectoryW, os); },
     kCsidlWindows},
    {kSysDirMacro, [](Os& os) { return DirectoryText(&Os::GetSystemDirectoryW, os); },
     kCsidlSystem},
    // The program's own registry view holds the program-files folder the
    // shell names for it: the 32-bit one for the 32-bit program.
    {kProgramFilesMacro,
     [](Os& os) {
       return RegistryString(os, std::string("\\SOFTWARE\\") + kCurrentVersionKey,
                             kProgramFilesDir, OwnRegistryView(os));
     },
     kCsidlProgramFiles},
};

// Tried in this order, through the 32-bit view, while a macro's first pair is still empty.
struct TRegistryFallback {
  const char* Macro;
  const char* Key;
  const char* Name;
};

const TRegistryFallback kRegistryFallbacks[] = {
    {kWinDirMacro, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\", "SystemRoot"},
    {kWinDirMacro, "\\Software\\Microsoft\\Windows NT\\CurrentVersion\\", "PathName"},
    {kWinDirMacro, "\\Software\\Microsoft\\Windows\\CurrentVersion\\", "SystemRoot"},
    {kSysDirMacro, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\", "WinDir"},
    {kSysDirMacro, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Setup\\", "SysDir"},
    {kSysDirMacro, "\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\",
     "InstallerLocation"},
};

std::string* FirstValue(TPairs& pairs, const char* macro) {
  for (auto& pair : pairs)
    if (pair.first == macro) return &pair.second;
  return nullptr;
}

// One pass appends a pair per macro to the working list, then lets the
// registry's program-files directory of View and the registry fallbacks
// correct the first pair of their macro.
void ReadPass(Os& os, uint32_t view, TPairs& pairs) {
  for (const auto& source : kMacroSources) {
    std::string value = source.System(os);
    if (value.empty()) value = ShellFolderPath(os, source.Folder);
    pairs.emplace_back(source.Macro, value);
  }

  // A 32-bit program on a 64-bit system finds the 32-bit programs' settings below Wow6432Node.
  std::string software = "\\Software\\";
  if (view == kKeyWow64_32Key && RegistryKeyExists(os, "\\Software\\Wow6432Node\\", view))
    software = "\\Software\\Wow6432Node\\";
  std::string programFiles;
  if (ReadRegistryString(os, software + kCurrentVersionKey, kProgramFilesDir, view, programFiles))
    *FirstValue(pairs, kProgramFilesMacro) = CleanDirectoryValue(programFiles);

  for (const auto& fallback : kRegistryFallbacks) {
    std::string& value = *FirstValue(pairs, fallback.Macro);
    if (value.empty()) ReadRegistryString(os, fallback.Key, fallback.Name, kKeyWow64_32Key, value);
  }
}

}  // namespace

TLocationTable BuildLocationTable(Os& os) {
  TLocationTable table(os);
  TPairs pairs;
  for (const uint32_t view : {kKeyWow64_64Key, kKeyWow64_32Key}) {
    ReadPass(os, view, pairs);
    for (const auto& pair : pairs) table.Add(pair.first, pair.second);
  }
  table.WindowsDirectory = DirectoryText(&Os::GetWindowsDirectoryW, os);
  return table;
}

}  // namespace kvt
