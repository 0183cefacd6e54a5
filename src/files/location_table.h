#pragma once
// Names of well-known directories ("<$WINDIR>", "<$SYSDIR>",
// "<$PROGRAMFILES>") and the directories each stands for, and the expansion of
// a text that holds such names into one text per directory.
#include <string>
#include <vector>

#include "support/string_list.h"

namespace kvt {

class Os;

constexpr const char* kWinDirMacro = "<$WINDIR>";
constexpr const char* kSysDirMacro = "<$SYSDIR>";
constexpr const char* kProgramFilesMacro = "<$PROGRAMFILES>";

// Doubled backslashes collapsed, repeatedly, then one trailing backslash removed.
std::string CleanDirectoryValue(const std::string& value);

class TLocationTable {
 public:
  // Comparisons go through Os: the user's collation, case ignored.
  explicit TLocationTable(Os& os) : os_(&os) {}

  // Appends Name unless the table has it, then joins Directory, cleaned, to
  // its set. The set stays sorted and holds a directory only once, both case
  // ignored.
  void Add(const std::string& name, const std::string& directory);
  // Name's set in set order (Name's case ignored); empty for an unknown name.
  const std::vector<std::string>& Paths(const std::string& name) const;
  // Appends to List every text that Text becomes when each macro name in it
  // is replaced by each directory of its set.
  void ExpandLocationMacros(const std::string& text, TStringList& list) const;

  // GetWindowsDirectoryW at start-up: candidates on its drive are preferred.
  std::string WindowsDirectory;

 private:
  struct TLocation {
    std::string Name;
    std::vector<std::string> Paths;
  };
  // Negative, 0 or positive as A sorts before, equal to or after B.
  int Compare(const std::string& a, const std::string& b) const;
  bool FindMacro(const std::string& entry, std::string& macro, size_t& position) const;

  Os* os_;
  std::vector<TLocation> locations_;
};

}  // namespace kvt
