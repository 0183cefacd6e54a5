#include "processes/process_list.h"

#include <map>

#include <gtest/gtest.h>

#include "fake_processes.h"
#include "support/errors.h"

namespace kvt {
namespace {

class ProcessListTest : public ::testing::Test {
 protected:
  ProcessListTest() {
    AddFakeProcess(os, 4, 0, "");  // opens, but its image cannot be named
    os.Processes.back().ExeFile = "System";
    AddFakeProcess(os, 500, 4, "C:\\Windows\\system32\\services.exe");
    AddFakeProcess(os, 612, 500, "C:\\Windows\\explorer.exe");
  }

  std::vector<std::string> Names(const TqxProcessList& list) const {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count(); ++i)
      names.push_back(std::to_string(list.Items(i).ProcessID) + ":" + list.Items(i).Filename);
    return names;
  }

  FakeOs os;
};

TEST_F(ProcessListTest, IdPassAloneOnNtWithoutFullInformation) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  EXPECT_EQ(os.CallCount("CreateToolhelp32Snapshot"), 0u);
  EXPECT_EQ(Names(list),
            (std::vector<std::string>{"0:[System]", "500:C:\\Windows\\system32\\services.exe",
                                      "612:C:\\Windows\\explorer.exe"}));
  EXPECT_EQ(list.Items(2).ParentID, 0u);  // parents come from the snapshot only
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ProcessListTest, SnapshotPassRunsWhenForcedOrUnderWow64OrBeforeNt4) {
  {
    TProcessContext context(os);
    TqxProcessList list(context);
    list.AlwaysFullInformation = true;
    list.Refresh();
    EXPECT_EQ(list.Items(2).ParentID, 500u);
    // The snapshot's entry for id 4 got its own item; the folded item keeps its name.
    EXPECT_EQ(Names(list).back(), "4:System");
  }
  os.Wow64 = true;
  {
    TProcessContext context(os);
    TqxProcessList list(context);
    list.Refresh();
    EXPECT_EQ(list.Items(2).ParentID, 500u);
  }
  os.Wow64 = false;
  os.Version.dwMajorVersion = 3;
  {
    TProcessContext context(os);
    TqxProcessList list(context);
    list.Refresh();
    EXPECT_EQ(list.Items(2).ParentID, 500u);
  }
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(ProcessListTest, SnapshotFillsNamesAndUpgradesToLongerDrivePaths) {
  AddFakeProcess(os, 700, 612, "");
  os.Processes.back().ExeFile = "hidden.exe";
  os.Processes.back().InIdList = false;
  os.Processes.back().ImageDevicePath = "\\Device\\HarddiskVolume1\\Apps\\hidden.exe";
  AddFakeProcess(os, 701, 612, "");
  os.Processes.back().ExeFile = "nodrive.exe";
  os.Processes.back().InIdList = false;
  os.Processes.back().ImageDevicePath = "\\Device\\Unknown\\longer\\nodrive.exe";
  TProcessContext context(os);
  TqxProcessList list(context);
  list.AlwaysFullInformation = true;
  list.Refresh();
  bool isNew = true;
  EXPECT_EQ(list.FindOrAddProcess(700, isNew).Filename, "C:\\Apps\\hidden.exe");
  EXPECT_FALSE(isNew);
  EXPECT_EQ(list.FindOrAddProcess(701, isNew).Filename, "nodrive.exe");
}

TEST_F(ProcessListTest, WithoutImageFileNameTheModuleFileNameIsUsed) {
  os.ImageFileNameBound = false;
  AddFakeProcess(os, 800, 1, "C:\\Long\\Path\\only.exe").InIdList = false;
  TProcessContext context(os);
  TqxProcessList list(context);
  list.AlwaysFullInformation = true;
  list.Refresh();
  bool isNew = false;
  EXPECT_EQ(list.FindOrAddProcess(800, isNew).Filename, "C:\\Long\\Path\\only.exe");
  EXPECT_EQ(os.CallCount("GetProcessImageFileNameW"), 0u);
}

// From Windows 6.0 on, a process that the query and read rights cannot name
// is named through the least right, in the id pass and in the snapshot pass;
// Windows XP keeps its ways: no item, the snapshot's bare name, "[System]".
TEST_F(ProcessListTest, NamesThroughTheLeastRightFromWindows6On) {
  DenyQueryAndRead(AddFakeProcess(os, 700, 612, "C:\\Services\\guarded.exe"));
  // Opens, but the module name fails, as a 64-bit process to the 32-bit program.
  TFakeProcess& wide = AddFakeProcess(os, 701, 612, "");
  wide.ExeFile = "wide.exe";
  wide.FullImagePath = "C:\\Windows\\system32\\wide.exe";
  const struct {
    uint32_t Major;
    bool Snapshot;
    const char* Guarded;  // "-": no item
    const char* Wide;
  } kCases[] = {
      {5, false, "-", "-"},
      {5, true, "guarded.exe", "wide.exe"},
      {6, false, "C:\\Services\\guarded.exe", "C:\\Windows\\system32\\wide.exe"},
      {10, true, "C:\\Services\\guarded.exe", "C:\\Windows\\system32\\wide.exe"},
  };
  for (const auto& c : kCases) {
    os.Version.dwMajorVersion = c.Major;
    os.Calls.clear();
    TProcessContext context(os);
    TqxProcessList list(context);
    list.AlwaysFullInformation = c.Snapshot;
    list.Refresh();
    const auto filename = [&list](uint32_t id) -> std::string {
      for (int i = 0; i < list.Count(); ++i)
        if (list.Items(i).ProcessID == id) return list.Items(i).Filename;
      return "-";
    };
    const std::string at = std::to_string(c.Major) + (c.Snapshot ? " with snapshot" : "");
    EXPECT_EQ(filename(700), c.Guarded) << at;
    EXPECT_EQ(filename(701), c.Wide) << at;
    EXPECT_EQ(filename(0), "[System]") << at;  // process 4 is named by neither
    if (c.Major < 6) {
      EXPECT_EQ(os.CallCount("QueryFullProcessImageNameW"), 0u) << at;
    }
    EXPECT_EQ(os.OpenHandleCount(), 0u) << at;
  }
}

// What a listing costs: one open per process whichever passes run, and the
// reads of a file (its existence, size and version) once, however many
// processes run it.
TEST_F(ProcessListTest, EachProcessOpenedOnceAndEachFileReadOnce) {
  os.AddFile("C:\\Apps\\tool.exe");
  const char* const kPerFile[] = {"GetFileAttributesW", "CreateFileW", "GetFileVersionInfoSizeW",
                                  "Wow64DisableWow64FsRedirection"};
  std::map<std::string, size_t> oneCopy;  // by snapshot pass and call
  for (const uint32_t copies : {1u, 4u}) {
    while (os.Processes.size() < 3 + copies)
      AddFakeProcess(os, 800 + static_cast<uint32_t>(os.Processes.size()), 612,
                     "C:\\Apps\\tool.exe");
    for (const bool snapshot : {false, true}) {
      os.Calls.clear();
      TProcessContext context(os);
      TqxProcessList list(context);
      list.AlwaysFullInformation = snapshot;
      list.Refresh();
      list.ReadFullInformation();
      const std::string at = std::to_string(copies) + (snapshot ? " with snapshot " : " ");
      EXPECT_EQ(os.CallCount("OpenProcess"), os.Processes.size()) << at;
      for (const char* call : kPerFile) {
        size_t& first = oneCopy[at.substr(1) + call];
        if (copies == 1)
          first = os.CallCount(call);
        else
          EXPECT_EQ(os.CallCount(call), first) << at << call;
      }
      EXPECT_EQ(os.OpenHandleCount(), 0u) << at;
    }
  }
}

TEST_F(ProcessListTest, EventsAndRemovalFromTheEnd) {
  TProcessContext context(os);
  TqxProcessList list(context);
  std::vector<uint32_t> started, gone;
  list.OnProcessStarted = [&](TqxProcessItem& item) { started.push_back(item.ProcessID); };
  list.OnProcessGone = [&](TqxProcessItem& item) { gone.push_back(item.ProcessID); };
  list.Refresh();
  EXPECT_EQ(started, (std::vector<uint32_t>{0, 500, 612}));
  EXPECT_TRUE(gone.empty());

  started.clear();
  list.Refresh();  // nothing changed
  EXPECT_TRUE(started.empty());
  EXPECT_TRUE(gone.empty());
  EXPECT_EQ(list.Count(), 3);

  os.FindProcess(500)->Alive = false;
  os.FindProcess(612)->Alive = false;
  AddFakeProcess(os, 900, 1, "C:\\new.exe");
  list.Refresh();
  EXPECT_EQ(gone, (std::vector<uint32_t>{612, 500}));
  EXPECT_EQ(started, (std::vector<uint32_t>{900}));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"0:[System]", "900:C:\\new.exe"}));
}

TEST_F(ProcessListTest, KnownProcessesKeepTheirItemsAndGatheredFacts) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  TqxProcessItem* explorer = &list.Items(2);
  explorer->FileDescription = "Shell";
  AddFakeProcess(os, 100, 1, "C:\\first.exe");
  std::swap(os.Processes.front(), os.Processes.back());  // new process enumerated first
  list.Refresh();
  EXPECT_EQ(&list.Items(2), explorer);
  EXPECT_EQ(explorer->FileDescription, "Shell");
  EXPECT_EQ(list.Items(3).ProcessID, 100u);  // new items are appended
}

TEST_F(ProcessListTest, FailingSourcesAddNothingAndRemoveEverything) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.AlwaysFullInformation = true;
  list.Refresh();
  os.EnumProcessesFails = true;
  os.SnapshotFails = true;
  list.Refresh();
  EXPECT_EQ(list.Count(), 0);
  os.EnumProcessesFails = false;
  os.SnapshotFails = false;
  os.ProcessStatusAvailable = false;
  os.ToolhelpAvailable = false;  // a zero snapshot handle simply yields no entry
  list.Refresh();
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(ProcessListTest, AnErrorInsideTheSnapshotPassGoesToTheDebugger) {
  os.OnProcess32Next = [] { throw EError("snapshot broke"); };
  TProcessContext context(os);
  TqxProcessList list(context);
  list.AlwaysFullInformation = true;
  list.Refresh();
  EXPECT_EQ(os.DebugOutput, (std::vector<std::string>{"snapshot broke"}));
  EXPECT_EQ(list.Count(), 4);  // three from the id pass, one from the first entry
  EXPECT_EQ(os.OpenHandleCount(), 0u);
  for (int i = 0; i < list.Count(); ++i) EXPECT_EQ(list.Items(i).StateIndex, 0);
}

// The lookup by id answers in constant time, yet still gives the first item
// of an id in collection order when items come and go by other ways.
TEST_F(ProcessListTest, FindOrAddProcessGivesTheFirstItemOfAnIdWhateverChanged) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  bool isNew = true;
  TqxProcessItem& explorer = list.FindOrAddProcess(612, isNew);
  EXPECT_FALSE(isNew);
  auto& later = static_cast<TqxProcessItem&>(list.Add());
  later.ProcessID = 612;
  EXPECT_EQ(&list.FindOrAddProcess(612, isNew), &explorer);
  list.Delete(explorer.Index());
  EXPECT_EQ(&list.FindOrAddProcess(612, isNew), &later);
  EXPECT_FALSE(isNew);
  TqxProcessItem& added = list.FindOrAddProcess(700, isNew);
  EXPECT_TRUE(isNew);
  EXPECT_EQ(&list.FindOrAddProcess(700, isNew), &added);
  EXPECT_EQ(list.Count(), 4);
}

TEST_F(ProcessListTest, Selectors) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.SelectAll();
  EXPECT_EQ(list.SelectedCount(), 0);
  list.Refresh();
  list.SelectAll();
  ASSERT_EQ(list.SelectedCount(), 3);
  EXPECT_EQ(list.Selected(2).ProcessID, 612u);
  EXPECT_EQ(list.SelectByProcessID(500), 1);
  EXPECT_EQ(list.Selected(0).ProcessID, 500u);
  EXPECT_EQ(list.SelectByProcessID(123), 0);
  EXPECT_EQ(list.SelectedCount(), 0);
}

TEST_F(ProcessListTest, SelectByFilenameKeepsCollectionOrder) {
  AddFakeProcess(os, 700, 612, "C:\\Apps\\Child.exe");
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  const auto selectedIds = [&list] {
    std::vector<uint32_t> ids;
    for (int i = 0; i < list.SelectedCount(); ++i) ids.push_back(list.Selected(i).ProcessID);
    return ids;
  };
  EXPECT_EQ(list.SelectByFilename("*.EXE"), 3);
  EXPECT_EQ(selectedIds(), (std::vector<uint32_t>{500, 612, 700}));
  // The name without its directory is compared, so no pattern reaches into the path.
  EXPECT_EQ(list.SelectByFilename("*windows*"), 0);
  EXPECT_EQ(list.SelectByFilename("[system]"), 1);
  EXPECT_EQ(selectedIds(), (std::vector<uint32_t>{0}));
  EXPECT_EQ(list.SelectByFilename("<bool>child or services"), 2);
  EXPECT_EQ(selectedIds(), (std::vector<uint32_t>{500, 700}));
}

TEST_F(ProcessListTest, FreedItemsLeaveTheSelection) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  list.SelectAll();
  os.FindProcess(500)->Alive = false;
  list.Refresh();
  ASSERT_EQ(list.SelectedCount(), 2);
  EXPECT_EQ(list.Selected(1).ProcessID, 612u);
  list.Reset();
  EXPECT_EQ(list.SelectedCount(), 0);
}

TEST_F(ProcessListTest, ColumnsOfTheProcessTemplate) {
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  const std::string tmpl = "<$PID:4>  <$FILENAME:10>|<$PATH:*>";
  EXPECT_EQ(TqxProcessItem::FormatHeader(tmpl), "PID   Filename  |Path");
  EXPECT_EQ(list.Items(2).FormatLine(tmpl), " 612  explorer.e|C:\\Windows\\");
  EXPECT_EQ(list.Items(0).FormatLine(tmpl), "   0  [System]  |");
  list.Items(2).ProcessID = 123456;
  EXPECT_EQ(list.Items(2).FormatLine("<$PID:4>  x"), "123456  x");
}

TEST_F(ProcessListTest, FileNamePartsOfNamesOutsideTheAnsiCodePage) {
  TProcessContext context(os);
  TqxProcessList list(context);
  auto& item = static_cast<TqxProcessItem&>(list.Add());
  item.Filename = "C:\\\xD0\x9F\\\xD1\x81\xD0\xBE\xD0\xBD.exe";  // C:\П\сон.exe
  EXPECT_EQ(item.FilenameOnly(), "\xD1\x81\xD0\xBE\xD0\xBD.exe");
  EXPECT_EQ(item.DirectoryPart(), "C:\\\xD0\x9F\\");
}

TEST_F(ProcessListTest, LogLinesAndLoadingThemBack) {
  TProcessContext context(os);
  TqxProcessList list(context);
  auto& item = static_cast<TqxProcessItem&>(list.Add());
  item.ProcessID = 42;
  item.ParentID = 7;
  item.Filename = "C:\\x (y).exe";
  TStringList lines;
  item.AddLogLines(lines);
  item.SetFilesize(5000000000LL);
  item.SetMD5("D41D8CD98F00B204E9800998ECF8427E");
  item.AddLogLines(lines);
  item.SetMD5("0123456789ABCDEF0123456789ABCDEF");
  item.AddLogLines(lines);
  ASSERT_EQ(lines.Count(), 6);
  EXPECT_EQ(lines[0], "PID:   42 (   7) C:\\x (y).exe");
  EXPECT_EQ(lines[2], " size: 5000000000");
  EXPECT_EQ(lines[5], "  MD5: 0123456789ABCDEF0123456789ABCDEF");

  TStringList input;
  input.Add("PID:   42 (   7)  C:\\a.exe \t");
  input.Add("pid: 1 (2) lower.exe");
  input.Add("PID:no-bracket.exe");
  input.Add(" size: 12");
  TqxProcessList loaded(context);
  loaded.LoadFromLogLines(input);
  ASSERT_EQ(loaded.Count(), 2);
  EXPECT_EQ(loaded.Items(0).Filename, "C:\\a.exe");
  EXPECT_EQ(loaded.Items(0).ProcessID, 0u);
  EXPECT_EQ(loaded.Items(1).Filename, "PID:no-bracket.exe");
}

TEST_F(ProcessListTest, AssignCopiesTheProcessFieldsOnly) {
  TProcessContext context(os);
  TqxProcessList list(context);
  auto& source = static_cast<TqxProcessItem&>(list.Add());
  source.ProcessID = 9;
  source.FileHint = "hint";
  source.Tag2 = 5;
  auto& target = static_cast<TqxProcessItem&>(list.Add());
  target.Assign(source);
  EXPECT_EQ(target.ProcessID, 9u);
  EXPECT_EQ(target.FileHint, "hint");
  EXPECT_EQ(target.Tag2, 0);
}

}  // namespace
}  // namespace kvt
