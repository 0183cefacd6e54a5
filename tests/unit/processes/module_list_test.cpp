#include "processes/module_list.h"

#include <gtest/gtest.h>

#include "fake_processes.h"
#include "processes/process_list.h"
#include "support/errors.h"

namespace kvt {
namespace {

class ModuleListTest : public ::testing::Test {
 protected:
  ModuleListTest() {
    TFakeProcess& app = AddFakeProcess(os, 612, 500, "C:\\Apps\\app.exe");
    AddFakeModule(app, "C:\\Apps\\app.exe", 0x400000, 0x5000).ModuleId = 11;
    AddFakeModule(app, "C:\\WINDOWS\\system32\\ntdll.dll", 0x7C900000, 0xB2000).ModuleId = 12;
    AddFakeModule(app, "C:\\WINDOWS\\system32\\kernel32.dll", 0x7C800000, 0xF6000).ModuleId = 13;
  }

  TFakeProcess& App() { return *os.FindProcess(612); }

  // The process item of App after a refresh, its module list filled.
  TqxProcessItem& Filled() {
    list.Refresh();
    bool isNew = false;
    TqxProcessItem& item = list.FindOrAddProcess(612, isNew);
    item.FillModuleList();
    return item;
  }

  static std::vector<std::string> Names(const TqxModuleList& modules) {
    std::vector<std::string> names;
    for (int i = 0; i < modules.Count(); ++i) names.push_back(modules.Items(i).Filename);
    return names;
  }

  FakeOs os;
  TProcessContext context{os};
  TqxProcessList list{context};
};

TEST_F(ModuleListTest, SnapshotModulesFirstThenThoseOnlyTheEnumerationReports) {
  AddFakeModule(App(), "C:\\Apps\\late.dll", 0x10000000, 0x3000).InSnapshot = false;
  App().Modules[1].GlobalUsage = 7;
  App().Modules[1].ProcessUsage = 3;
  const TqxModuleList& modules = Filled().ModuleList;
  EXPECT_EQ(Names(modules),
            (std::vector<std::string>{"C:\\Apps\\app.exe", "C:\\WINDOWS\\system32\\ntdll.dll",
                                      "C:\\WINDOWS\\system32\\kernel32.dll",
                                      "C:\\Apps\\late.dll"}));
  const TqxModuleItem& ntdll = modules.Items(1);
  EXPECT_EQ(ntdll.ModuleID, 12u);
  EXPECT_EQ(ntdll.ProcessID, 612u);
  EXPECT_EQ(ntdll.GlobalCountUsage, 7u);
  EXPECT_EQ(ntdll.ProcessCountUsage, 3u);
  EXPECT_EQ(ntdll.ModuleBaseAddr, 0x7C900000u);
  EXPECT_EQ(ntdll.ModuleBaseSize, 0xB2000u);
  EXPECT_EQ(ntdll.ModuleHandle, 0x7C900000u);
  const TqxModuleItem& late = modules.Items(3);
  EXPECT_EQ(late.ModuleHandle, 0x10000000u);
  EXPECT_EQ(late.ModuleID + late.ProcessID + late.GlobalCountUsage + late.ProcessCountUsage +
                late.ModuleBaseAddr + late.ModuleBaseSize,
            0u);
  EXPECT_EQ(&modules.OwnerProcess(), &Filled());
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ModuleListTest, TheDuplicateTestIsExactAndCoversNamesTheEnumerationAddedItself) {
  App().Modules[2].StatusName = "C:\\WINDOWS\\System32\\KERNEL32.DLL";
  for (const uint32_t base : {0x20000000u, 0x21000000u}) {
    TFakeModule& twice = AddFakeModule(App(), "", base, 0x1000);
    twice.InSnapshot = false;
    twice.StatusName = "C:\\Apps\\twice.dll";
  }
  EXPECT_EQ(Names(Filled().ModuleList),
            (std::vector<std::string>{"C:\\Apps\\app.exe", "C:\\WINDOWS\\system32\\ntdll.dll",
                                      "C:\\WINDOWS\\system32\\kernel32.dll",
                                      "C:\\WINDOWS\\System32\\KERNEL32.DLL",
                                      "C:\\Apps\\twice.dll"}));
}

// The snapshot's record cuts a long path: listed once, whole, from either source.
TEST_F(ModuleListTest, ALongPathIsListedWholeAndOnce) {
  const std::string path = "C:\\" + std::string(990, 'd') + "\\long.dll";
  AddFakeModule(App(), path, 0x10000000, 0x3000);
  TqxProcessItem& item = Filled();
  for (const TModuleSources sources : {TModuleSources::SnapshotElseEnumeration, TModuleSources::Both}) {
    item.FillModuleList(sources);
    ASSERT_EQ(item.ModuleList.Count(), 4);
    EXPECT_EQ(item.ModuleList.Items(3).Filename, path);
  }
}

TEST_F(ModuleListTest, AProcessThatOpensButCannotBeSnapshottedGivesBareRecords) {
  App().ModuleSnapshotFails = true;
  const TqxModuleList& modules = Filled().ModuleList;
  ASSERT_EQ(modules.Count(), 3);
  for (int i = 0; i < modules.Count(); ++i) {
    EXPECT_EQ(modules.Items(i).ModuleID, 0u);
    EXPECT_EQ(modules.Items(i).ProcessID, 0u);
    EXPECT_EQ(modules.Items(i).ModuleBaseAddr, 0u);
    EXPECT_NE(modules.Items(i).ModuleHandle, 0u);
  }
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ModuleListTest, EachSourceThatFailsIsSkipped) {
  AddFakeModule(App(), "C:\\Apps\\late.dll", 0x10000000, 0x3000).InSnapshot = false;
  App().AllowedAccess = kProcessQueryInformation;  // the snapshot needs no process handle
  EXPECT_EQ(Filled().ModuleList.Count(), 3);

  App().AllowedAccess = 0x1FFFFF;
  App().EnumModulesFails = true;
  EXPECT_EQ(Filled().ModuleList.Count(), 3);

  App().EnumModulesFails = false;
  App().Modules.back().NameFails = true;
  EXPECT_EQ(Filled().ModuleList.Count(), 3);

  App().ModuleSnapshotFails = true;
  os.ProcessStatusAvailable = false;
  EXPECT_EQ(Filled().ModuleList.Count(), 0);
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ModuleListTest, ASecondFillReplacesTheList) {
  TqxProcessItem& item = Filled();
  App().Modules.pop_back();
  item.FillModuleList();
  EXPECT_EQ(Names(item.ModuleList),
            (std::vector<std::string>{"C:\\Apps\\app.exe", "C:\\WINDOWS\\system32\\ntdll.dll"}));
}

// Only a process that refuses both sources for want of rights, on Windows
// 6.0 and later, is marked: every other empty list means what it says.
TEST_F(ModuleListTest, ReadDeniedWhenBothSourcesRefuseForWantOfRights) {
  const uint32_t kAll = 0x1FFFFF;
  const struct {
    const char* Case;
    uint32_t Major;
    uint32_t SnapshotError;  // 0: the snapshot works
    uint32_t AllowedAccess;
    bool Denied;
  } kCases[] = {
      {"both refused", 6, kErrorAccessDenied, kProcessQueryLimitedInformation, true},
      {"both refused, Windows XP", 5, kErrorAccessDenied, kProcessQueryLimitedInformation, false},
      {"a 64-bit process", 6, kErrorPartialCopy, kProcessQueryLimitedInformation, false},
      {"snapshot refused, list opens", 10, kErrorAccessDenied, kAll, false},
      {"snapshot works", 10, 0, kProcessQueryLimitedInformation, false},
  };
  for (const auto& c : kCases) {
    os.Version.dwMajorVersion = c.Major;
    App().ModuleSnapshotFails = c.SnapshotError != 0;
    App().ModuleSnapshotError = c.SnapshotError;
    App().AllowedAccess = c.AllowedAccess;
    TProcessContext run(os);
    TqxProcessList processes(run);
    processes.AlwaysFullInformation = true;  // the item must be there without query rights
    processes.Refresh();
    processes.SelectByProcessID(612);
    ASSERT_EQ(processes.SelectedCount(), 1) << c.Case;
    TqxModuleList& modules = processes.Selected(0).ModuleList;
    modules.ReadDenied = !c.Denied;  // each fill decides anew
    processes.Selected(0).FillModuleList();
    EXPECT_EQ(modules.ReadDenied, c.Denied) << c.Case;
    EXPECT_EQ(modules.Count() == 0, c.SnapshotError != 0 && c.AllowedAccess != kAll) << c.Case;
  }
}

TEST_F(ModuleListTest, OnlyTheFirst4097HandlesAreLookedAt) {
  App().ModuleSnapshotFails = true;
  App().Modules.clear();
  for (uint32_t i = 0; i < 5000; ++i)
    AddFakeModule(App(), "C:\\m\\" + std::to_string(i) + ".dll", 0x1000000 + i * 0x10000, 0x1000);
  const TqxModuleList& modules = Filled().ModuleList;
  ASSERT_EQ(modules.Count(), 4097);
  EXPECT_EQ(modules.Items(4096).Filename, "C:\\m\\4096.dll");
}

TEST_F(ModuleListTest, ProcessIdZeroIsNotTakenForThisProgram) {
  // The platform snapshots the calling process for id 0.
  AddFakeModule(AddFakeProcess(os, os.CurrentProcessId, 1, "C:\\Tools\\kvtProc.exe"),
                "C:\\Tools\\kvtProc.exe", 0x400000, 0x1000);
  AddFakeProcess(os, 4, 0, "").ExeFile = "System";
  list.Refresh();
  bool isNew = false;
  TqxProcessItem& system = list.FindOrAddProcess(0, isNew);
  ASSERT_FALSE(isNew);
  system.FillModuleList();
  EXPECT_EQ(system.ModuleList.Count(), 0);
}

TEST_F(ModuleListTest, ColumnsOfTheModuleTemplate) {
  TqxModuleList& modules = Filled().ModuleList;
  const std::string tmpl = "<$MID:4>  <$FILENAME:25>  (<$PID:4>)  <$ADDR:8>  <$SIZE:8>  <$PATH:*>";
  EXPECT_EQ(TqxModuleItem::FormatHeader(tmpl),
            "MID   Filename                   (PID )  Address   Size      Path");
  EXPECT_EQ(modules.Items(1).FormatLine(tmpl),
            "  12  ntdll.dll                  ( 612)  7C900000  000B2000  C:\\WINDOWS\\system32\\");
  // Hexadecimal columns ignore the width; a name without directory has no path.
  TqxModuleItem& bare = modules.Add();
  bare.Filename = "x:y.dll";
  bare.ModuleBaseAddr = 0xAB;
  EXPECT_EQ(bare.FormatLine("<$ADDR:2>|<$FILENAME:*>|<$PATH:*>"), "000000AB|y.dll|x:");
  bare.Filename = "plain.dll";
  EXPECT_EQ(bare.FormatLine("<$FILENAME:*>|<$PATH:*>"), "plain.dll|");
}

// A 64-bit process with modules above 4 GiB, and a WOW64 process whose
// 32-bit modules the 64-bit program asks for by flag; the 32-bit program sees
// nothing of the first and only the 32-bit modules of the second.
TEST_F(ModuleListTest, EachProgramWidthSeesWhatThePlatformShowsIt) {
  TFakeProcess& x64 = AddFakeProcess(os, 700, 500, "C:\\Apps\\x64.exe");
  x64.Is64Bit = true;
  AddFakeModule(x64, "C:\\Apps\\x64.exe", 0x7FF6A1230000, 0x1A000);
  AddFakeModule(x64, "C:\\Windows\\System32\\ntdll.dll", 0x7FFB12340000, 0x1F8000);
  TFakeProcess& wow = AddFakeProcess(os, 800, 500, "C:\\Apps\\x86.exe");
  AddFakeModule(wow, "C:\\Windows\\System32\\ntdll.dll", 0x7FFB12340000, 0x1F8000);
  AddFakeModule(wow, "C:\\Apps\\x86.exe", 0x400000, 0x5000).Wow64Module = true;
  AddFakeModule(wow, "C:\\Windows\\SysWOW64\\ntdll.dll", 0x77A00000, 0x1A0000).Wow64Module = true;
  TFakeModule& late = AddFakeModule(wow, "C:\\Apps\\late32.dll", 0x10000000, 0x3000);
  late.Wow64Module = true;
  late.InSnapshot = false;
  struct TCase {
    uint32_t PointerSize;
    bool ExBound;
    uint32_t ProcessId;
    std::vector<std::string> Names;
  };
  const std::string ntdll64 = "C:\\Windows\\System32\\ntdll.dll";
  const std::string ntdll32 = "C:\\Windows\\SysWOW64\\ntdll.dll";
  const TCase cases[] = {
      {8, true, 700, {"C:\\Apps\\x64.exe", ntdll64}},
      {8, true, 800, {ntdll64, "C:\\Apps\\x86.exe", ntdll32, "C:\\Apps\\late32.dll"}},
      {8, false, 800, {ntdll64, "C:\\Apps\\x86.exe", ntdll32}},
      {4, true, 700, {}},
      {4, true, 800, {"C:\\Apps\\x86.exe", ntdll32, "C:\\Apps\\late32.dll"}},
  };
  list.Refresh();
  for (const TCase& c : cases) {
    os.ProgramPointerSize = c.PointerSize;
    os.EnumProcessModulesExBound = c.ExBound;
    bool isNew = false;
    TqxProcessItem& item = list.FindOrAddProcess(c.ProcessId, isNew);
    item.FillModuleList();
    EXPECT_EQ(Names(item.ModuleList), c.Names) << c.PointerSize << c.ExBound << c.ProcessId;
  }
  os.ProgramPointerSize = 8;
  bool isNew = false;
  TqxProcessItem& item = list.FindOrAddProcess(700, isNew);
  item.FillModuleList();
  EXPECT_EQ(item.ModuleList.Items(0).FormatLine("<$ADDR:8> <$SIZE:8>"),
            "00007FF6A1230000 0001A000");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

// The loader list gives what the snapshot gives, without it; a list that
// cannot be walked leaves the process to the snapshot, which loses nothing.
TEST_F(ModuleListTest, TheLoaderListStandsForTheSnapshotOrLeavesItToIt) {
  const TLoaderFault faults[] = {TLoaderFault::None, TLoaderFault::LoopsBack,
                                 TLoaderFault::NameUnmapped};
  const std::vector<std::string> expected = {"C:\\Apps\\app.exe",
                                             "C:\\WINDOWS\\system32\\ntdll.dll",
                                             "C:\\WINDOWS\\system32\\kernel32.dll"};
  for (const TLoaderFault fault : faults) {
    SCOPED_TRACE(static_cast<int>(fault));
    App().LoaderFault = fault;
    list.Refresh();
    bool isNew = false;
    TqxProcessItem& item = list.FindOrAddProcess(612, isNew);
    const size_t snapshots = os.CallCount("CreateToolhelp32Snapshot");
    EXPECT_TRUE(item.FillModuleList(TModuleSources::LoaderElseSnapshot));
    EXPECT_EQ(Names(item.ModuleList), expected);
    EXPECT_EQ(item.ModuleList.Items(1).ModuleBaseAddr, 0x7C900000u);
    EXPECT_EQ(item.ModuleList.Items(1).ModuleBaseSize, 0xB2000u);
    EXPECT_EQ(os.CallCount("CreateToolhelp32Snapshot") > snapshots, fault != TLoaderFault::None);
  }
}

TEST_F(ModuleListTest, IndexOfFilenameAndAssign) {
  TqxModuleList& modules = Filled().ModuleList;
  EXPECT_EQ(modules.IndexOfFilename("C:\\WINDOWS\\system32\\kernel32.dll"), 2);
  EXPECT_EQ(modules.IndexOfFilename("C:\\WINDOWS\\SYSTEM32\\kernel32.dll"), -1);
  os.AddFile("C:\\WINDOWS\\system32\\ntdll.dll");
  TqxModuleItem& copy = modules.Add();
  copy.Filename = "ntdll.dll";
  EXPECT_EQ(copy.CompleteFilename(), "C:\\WINDOWS\\system32\\ntdll.dll");
  copy.Assign(modules.Items(0));
  EXPECT_EQ(copy.Filename, "C:\\Apps\\app.exe");
  EXPECT_EQ(copy.ModuleBaseSize, 0x5000u);
  EXPECT_EQ(copy.ModuleID, 11u);
  EXPECT_EQ(copy.CompleteFilename(), "C:\\WINDOWS\\system32\\ntdll.dll");  // the cache stays
  EXPECT_THROW(copy.Assign(list.Items(0)), EConvertError);
}

}  // namespace
}  // namespace kvt
