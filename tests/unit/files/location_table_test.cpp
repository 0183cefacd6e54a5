#include "files/location_table.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

std::vector<std::string> Expand(const TLocationTable& table, const std::string& text) {
  TStringList list;
  table.ExpandLocationMacros(text, list);
  return std::vector<std::string>(list.begin(), list.end());
}

TEST(LocationTableTest, DirectoryValuesAreCleaned) {
  EXPECT_EQ(CleanDirectoryValue("C:\\\\\\Program Files\\\\App\\\\"), "C:\\Program Files\\App");
  EXPECT_EQ(CleanDirectoryValue("C:\\"), "C:");
  EXPECT_EQ(CleanDirectoryValue("\\\\server\\share"), "\\server\\share");
  EXPECT_EQ(CleanDirectoryValue(""), "");
}

TEST(LocationTableTest, SetsStaySortedInTheUsersCollationAndHoldEachDirectoryOnce) {
  FakeOs os;
  TLocationTable table(os);
  table.Add(kProgramFilesMacro, "C:\\Program Files (x86)\\");
  table.Add(kProgramFilesMacro, "c:\\program files");
  table.Add(kProgramFilesMacro, "b:\\Apps");  // after "C:" in byte order, before it case ignored
  table.Add(kProgramFilesMacro, "C:\\PROGRAM FILES");
  table.Add("<$programfiles>", "a:\\");  // the name's case is ignored too
  EXPECT_EQ(table.Paths(kProgramFilesMacro),
            (std::vector<std::string>{"a:", "b:\\Apps", "c:\\program files",
                                      "C:\\Program Files (x86)"}));
  EXPECT_GT(os.CallCount("CompareStringW"), 0u);
  EXPECT_TRUE(table.Paths(kWinDirMacro).empty());
}

TEST(LocationTableTest, EachDirectoryOfTheSetGivesOneText) {
  FakeOs os;
  TLocationTable table(os);
  table.Add(kWinDirMacro, "C:\\WINDOWS");
  table.Add(kProgramFilesMacro, "D:\\Programs");
  table.Add(kProgramFilesMacro, "C:\\Program Files");
  EXPECT_EQ(Expand(table, "<$PROGRAMFILES>\\a"),
            (std::vector<std::string>{"C:\\Program Files\\a", "D:\\Programs\\a"}));
  // Every name is replaced, the last text that still holds one first.
  EXPECT_EQ(Expand(table, "<$PROGRAMFILES>|<$PROGRAMFILES>"),
            (std::vector<std::string>{"D:\\Programs|C:\\Program Files",
                                      "D:\\Programs|D:\\Programs",
                                      "C:\\Program Files|C:\\Program Files",
                                      "C:\\Program Files|D:\\Programs"}));
  // Names are searched case-sensitively; an unknown name stays as written.
  EXPECT_EQ(Expand(table, "<$windir>\\<$OTHER>"),
            (std::vector<std::string>{"<$windir>\\<$OTHER>"}));
  TStringList list;
  list.Add("<$WINDIR>");
  table.ExpandLocationMacros("x", list);
  EXPECT_EQ(list.Count(), 2);  // what the list held before is left alone
  EXPECT_EQ(list[0], "<$WINDIR>");
}

TEST(LocationTableTest, TheLastEntryNamingAMacroIsExpandedFirst) {
  FakeOs os;
  TLocationTable table(os);
  table.Add(kWinDirMacro, "W1");
  table.Add(kWinDirMacro, "W2");
  table.Add(kSysDirMacro, "S");
  // "<$WINDIR>" comes first in the table, so it is expanded first although it
  // stands later in the text; then the last entry is expanded, then the first.
  EXPECT_EQ(Expand(table, "<$SYSDIR>|<$WINDIR>"), (std::vector<std::string>{"S|W2", "S|W1"}));
}

TEST(LocationTableTest, ADirectoryThatNamesItsOwnMacroDoesNotExpandForEver) {
  FakeOs os;
  TLocationTable table(os);
  table.Add(kProgramFilesMacro, "<$PROGRAMFILES>\\a");
  table.Add(kProgramFilesMacro, "<$PROGRAMFILES>\\b");
  const std::vector<std::string> texts = Expand(table, "<$PROGRAMFILES>");
  EXPECT_GT(texts.size(), 1u);
  EXPECT_LT(texts.size(), 100u);
}

}  // namespace
}  // namespace kvt
