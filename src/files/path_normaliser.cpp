#include "files/path_normaliser.h"

#include <vector>

#include "os/fs_redirection.h"
#include "os/os.h"
#include "support/text.h"

namespace kvt {
namespace {

struct TNormalisation {
  Os& Sys;
  const TLocationTable& Table;
  std::string Text;
  std::string FallbackMacro;
  std::vector<std::string> Candidates;
  bool Done = false;  // Text is the result
};

// Compares the first characters of Text with Prefix, which is given in upper
// case; with IgnoreCase, ASCII letters of Text are upper-cased first.
bool StartsWith(const std::string& text, const std::string& prefix, bool ignoreCase) {
  if (text.size() < prefix.size()) return false;
  const std::string head = text.substr(0, prefix.size());
  return (ignoreCase ? AsciiUpperCase(head) : head) == prefix;
}

void ReturnWhenExisting(TNormalisation& n) { n.Done = FileExists(n.Sys, n.Text); }

void TakeHostLibraryArgument(TNormalisation& n) {
  const size_t space = n.Text.find(' ');
  if (!StartsWith(n.Text, "RUNDLL32", true) || space == std::string::npos) return;
  n.Text.erase(0, space + 1);
  const size_t comma = n.Text.find(',');
  if (comma != std::string::npos) n.Text.erase(comma);
}

void FallBackToSystemDirectory(TNormalisation& n) { n.FallbackMacro = kSysDirMacro; }

void StripNativePrefix(TNormalisation& n) {
  if (StartsWith(n.Text, "\\??\\", false)) n.Text.erase(0, 4);
}

void StripSystemRootPlaceholder(TNormalisation& n) {
  if (StartsWith(n.Text, "%SYSTEMROOT%", true)) n.Text.erase(0, 12);
}

void StripSystemRootDirectory(TNormalisation& n) {
  if (StartsWith(n.Text, "\\SYSTEMROOT\\", true)) n.Text.erase(0, 12);
}

void MakeSystem32Relative(TNormalisation& n) {
  if (StartsWith(n.Text, "\\SYSTEM32\\", true)) n.Text.erase(0, 1);
}

void StripProgramFilesPlaceholder(TNormalisation& n) {
  if (!StartsWith(n.Text, "%PROGRAMFILES%", true)) return;
  n.Text.erase(0, 14);
  n.FallbackMacro = kProgramFilesMacro;
}

// The text below every directory of Macro, keeping only names of existing files.
void FindBelow(TNormalisation& n, const std::string& macro) {
  TStringList expansions;
  n.Table.ExpandLocationMacros(macro + "\\" + n.Text, expansions);
  n.Candidates.assign(expansions.begin(), expansions.end());
  for (size_t i = n.Candidates.size(); i > 0; --i)
    if (!FileExists(n.Sys, n.Candidates[i - 1]))
      n.Candidates.erase(n.Candidates.begin() + static_cast<std::ptrdiff_t>(i - 1));
}

void FindBelowWindowsDirectory(TNormalisation& n) { FindBelow(n, kWinDirMacro); }

void FindBelowFallbackDirectory(TNormalisation& n) {
  if (n.Candidates.empty()) FindBelow(n, n.FallbackMacro);
}

void PreferLastOnWindowsDrive(TNormalisation& n) {
  const std::string& windows = n.Table.WindowsDirectory;
  for (const std::string& candidate : n.Candidates)
    if (!windows.empty() && !candidate.empty() && candidate[0] == windows[0]) n.Text = candidate;
}

void CollapseDoubledBackslashes(TNormalisation& n) {
  std::string result;
  for (size_t i = 0; i < n.Text.size(); ++i) {
    result += n.Text[i];
    if (n.Text[i] == '\\' && i + 1 < n.Text.size() && n.Text[i + 1] == '\\') ++i;
  }
  n.Text = result;
}

using TStep = void (*)(TNormalisation&);

// In this order; a step that sets Done ends the normalisation with Text.
const TStep kSteps[] = {
    ReturnWhenExisting,            // 1: a name the platform finds as given is kept byte for byte
    TakeHostLibraryArgument,       // 2: "RUNDLL32 library,entry arguments" names the library
    ReturnWhenExisting,            // 3: the library argument may be complete already
    FallBackToSystemDirectory,     // 4: bare library names live in the system directory
    StripNativePrefix,             // 5: "\??\" before a drive path
    StripSystemRootPlaceholder,    // 6: "%SystemRoot%", any case
    StripSystemRootDirectory,      // 7: "\SystemRoot\", any case
    MakeSystem32Relative,          // 8: "\System32\" is below the Windows directory
    StripProgramFilesPlaceholder,  // 9: "%ProgramFiles%", then looked for there too
    FindBelowWindowsDirectory,     // 10: existing files below the Windows directory
    FindBelowFallbackDirectory,    // 11: else below the fallback directory
    PreferLastOnWindowsDrive,      // 12: the last candidate on the Windows drive wins
    CollapseDoubledBackslashes,    // 13: joins left "\\" behind
};

}  // namespace

bool FileExists(Os& os, const std::string& path) {
  // The platform opens its native "\??\C:\..." form as well, but a caller asks
  // for the drive form, which the prefix rule makes of it.
  if (StartsWith(path, "\\??\\", false)) return false;
  const TFsRedirectionOff trueFiles(os);
  const uint32_t attributes = os.GetFileAttributesW(path.c_str());
  return attributes != kInvalidFileAttributes && (attributes & kFileAttributeDirectory) == 0;
}

std::string NormalisePath(Os& os, const TLocationTable& table, const std::string& path) {
  TNormalisation n{os, table, path, "", {}, false};
  for (const TStep step : kSteps) {
    step(n);
    if (n.Done) break;
  }
  return n.Text;
}

const std::string& TCompleteNames::Of(Os& os, const TLocationTable& table,
                                      const std::string& filename) {
  const auto found = byFilename_.find(filename);
  if (found != byFilename_.end()) return found->second;
  return byFilename_.emplace(filename, NormalisePath(os, table, filename)).first->second;
}

const std::string& CachedCompleteFilename(std::string& cache, TCompleteNames& names, Os& os,
                                          const TLocationTable& table,
                                          const std::string& filename) {
  if (cache.empty()) cache = names.Of(os, table, filename);
  return cache;
}

}  // namespace kvt
