#include "files/version_info.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"
#include "test_files.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

// Remembers every sub-block path the reader asks for.
class TRecordingOs : public FakeOs {
 public:
  bool VerQueryValueW(const void* block, const char* subBlock, const void** value,
                      uint32_t* length) override {
    SubBlocks.emplace_back(subBlock);
    return FakeOs::VerQueryValueW(block, subBlock, value, length);
  }
  std::vector<std::string> SubBlocks;
};

const char* const kKeyOrder[] = {"FileVersion",     "CompanyName",      "InternalName",
                                 "Comments",        "LegalCopyright",   "LegalTrademarks",
                                 "OriginalFilename", "ProductName",     "ProductVersion",
                                 "FileDescription", "PrivateBuild",     "SpecialBuild"};

std::vector<std::string> Entries(const TStringList& list) {
  return std::vector<std::string>(list.begin(), list.end());
}

TEST(ReadVersionInfo, TwelveEntriesInKeyOrderWithValuesAsStored) {
  TRecordingOs os;
  os.File("C:\\app.exe").Bytes = PeFileWithStrings({{"CompanyName", "  Maker  "},
                                                     {"FileDescription", "a=b=c"},
                                                     {"FileVersion", "1.0"}});
  TStringList list;
  list.Add("kept=1");
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\app.exe", 0, list));
  ASSERT_EQ(list.Count(), 13);
  EXPECT_EQ(list[0], "kept=1");
  for (int i = 0; i < 12; ++i) EXPECT_EQ(list.Names(i + 1), kKeyOrder[i]);
  EXPECT_EQ(list[1], "FileVersion=1.0");
  EXPECT_EQ(list[2], "CompanyName=  Maker  ");
  EXPECT_EQ(list[3], "InternalName=");
  EXPECT_EQ(list[10], "FileDescription=a=b=c");
  EXPECT_EQ(list.Values("FILEDESCRIPTION"), "a=b=c");

  // The paths as the platform is asked: doubled separators, the translation first.
  ASSERT_EQ(os.SubBlocks.size(), 14u);
  EXPECT_EQ(os.SubBlocks[0], "\\\\VarFileInfo\\\\Translation");
  EXPECT_EQ(os.SubBlocks[0].size(), 26u);
  EXPECT_EQ(os.SubBlocks[1], "\\\\StringFileInfo\\\\040904E4\\\\FileVersion");
  EXPECT_EQ(os.SubBlocks[13], "\\\\StringFileInfo\\\\040904E4\\\\Translators");
}

TEST(ReadVersionInfo, TextsOutsideTheAnsiCodePageComeAsTheyAre) {
  FakeOs os;
  // Cyrillic, CJK and a character outside the Basic Multilingual Plane.
  const std::string company = "\xD0\xA1\xD0\xBE\xD0\xBD \xE5\x8A\xA9\xE6\x89\x8B \xF0\x90\x90\xB7";
  os.File("C:\\u.exe").Bytes = PeFileWithStrings({{"CompanyName", company}});
  TStringList list;
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\u.exe", 0, list));
  EXPECT_EQ(list.Values("CompanyName"), company);
}

TEST(ReadVersionInfo, TranslatorsOnlyWhenTheEntryDoesNotEndInEquals) {
  const struct {
    const char* Value;
    bool Appended;
  } cases[] = {{"", false}, {"x=", false}, {"Ann=Bo", true}, {" ", true}};
  for (const auto& test : cases) {
    FakeOs os;
    os.File("C:\\t.exe").Bytes = PeFileWithStrings({{"Translators", test.Value}});
    TStringList list;
    ASSERT_TRUE(ReadVersionInfo(os, "C:\\t.exe", 0, list));
    ASSERT_EQ(list.Count(), test.Appended ? 13 : 12) << test.Value;
    if (test.Appended) {
      EXPECT_EQ(list[12], std::string("Translators=") + test.Value);
    }
  }
}

TEST(ReadVersionInfo, OnlyTheTranslationAtTheIndexIsConsulted) {
  TVersionResourceSpec layout;
  layout.Tables = {{"040904E4", {{"CompanyName", "English"}}},
                 {"040704B0", {{"CompanyName", "Deutsch"}}}};
  layout.Translations = {0x04E40409, 0x04B00407};
  FakeOs os;
  os.File("C:\\two.exe").Bytes = BuildPeFile(BuildVersionResource(layout));
  TStringList first, second, third;
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\two.exe", 0, first));
  EXPECT_EQ(first.Values("CompanyName"), "English");
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\two.exe", 1, second));
  EXPECT_EQ(second.Values("CompanyName"), "Deutsch");
  EXPECT_FALSE(ReadVersionInfo(os, "C:\\two.exe", 2, third));
  EXPECT_EQ(third.Count(), 0);
}

TEST(ReadVersionInfo, ATranslationWithoutItsStringTable) {
  TVersionResourceSpec layout;
  layout.Tables = {{"040904E4", {{"CompanyName", "Elsewhere"}, {"Translators", "T"}}}};
  layout.Translations = {0x04B00407};
  FakeOs os;
  os.File("C:\\x.exe").Bytes = BuildPeFile(BuildVersionResource(layout));
  TStringList list;
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\x.exe", 0, list));
  ASSERT_EQ(list.Count(), 12);
  for (const std::string& entry : list) EXPECT_EQ(entry.back(), '=') << entry;
}

TEST(ReadVersionInfo, NothingAppendedWithoutBlockOrTranslation) {
  FakeOs os;
  os.File("C:\\plain.exe").Bytes = BuildPeFile("");
  TVersionResourceSpec noTable;
  noTable.Tables = {{"040904E4", {{"CompanyName", "x"}}}};
  os.File("C:\\notable.exe").Bytes = BuildPeFile(BuildVersionResource(noTable));
  os.File("C:\\locked.exe") = os.File("C:\\notable.exe");
  os.File("C:\\locked.exe").OpenFails = true;
  TStringList list;
  for (const char* name : {"C:\\plain.exe", "C:\\notable.exe", "C:\\missing.exe",
                           "C:\\locked.exe", ""})
    EXPECT_FALSE(ReadVersionInfo(os, name, 0, list)) << name;
  EXPECT_EQ(list.Count(), 0);
}

// A file from a real resource compiler and linker, built with the tests.
TEST(ReadVersionInfo, ARealResourceOnlyLibrary) {
#ifndef KVT_VERSION_TEST_DLL
  GTEST_SKIP() << "the build found no resource compiler for the test library";
#else
  FakeOs os;
  os.File("C:\\real.dll").Bytes = ReadWholeFile(KVT_VERSION_TEST_DLL);
  ASSERT_FALSE(os.File("C:\\real.dll").Bytes.empty());
  TStringList list;
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\real.dll", 0, list));
  EXPECT_EQ(Entries(list),
            (std::vector<std::string>{"FileVersion=1.2.3.4", "CompanyName=Test Company",
                                      "InternalName=", "Comments=", "LegalCopyright=",
                                      "LegalTrademarks=", "OriginalFilename=", "ProductName=",
                                      "ProductVersion=",
                                      "FileDescription=  A description = with blanks  ",
                                      "PrivateBuild=", "SpecialBuild=", "Translators=a=b"}));
  TStringList second;
  ASSERT_TRUE(ReadVersionInfo(os, "C:\\real.dll", 1, second));
  EXPECT_EQ(second.Values("CompanyName"), "Zweite Firma");
  EXPECT_EQ(second.Count(), 12);
#endif
}

}  // namespace
}  // namespace kvt
