#include "processes/find.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "fake_processes.h"
#include "matching/regular_expression.h"
#include "processes/handle_list.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

constexpr uint8_t kXpFile = 28;
constexpr uint8_t kXpEvent = 9;

class FindTest : public ::testing::Test {
 protected:
  FindTest() {
    TFakeProcess& word = AddFakeProcess(os, 1200, 4, "C:\\Office\\winword.exe");
    AddFakeModule(word, "C:\\Office\\winword.exe", 0x30000000, 0x10000);
    AddFakeModule(word, "C:\\Office\\ReportHelper.dll", 0x7E000000, 0x2000);
    TFakeProcess& backup = AddFakeProcess(os, 1300, 4, "C:\\Tools\\backup.exe");
    AddFakeModule(backup, "C:\\Tools\\backup.exe", 0x400000, 0x8000);
    AddFakeHandle(os, 1200, 0x1C, kXpFile, u"\\Device\\HarddiskVolume1\\Users\\me\\report.docx");
    AddFakeHandle(os, 1200, 0x20, kXpEvent, u"\\BaseNamedObjects\\ReportReady");
    AddFakeHandle(os, 1300, 0x44, kXpFile, u"\\Device\\HarddiskVolume1\\Users\\me\\REPORT.docx");
    AddFakeHandle(os, 1300, 0x48, kXpFile, u"\\Device\\Mup\\server\\share\\report.docx");
    AddFakeHandle(os, 1300, 0x4C, kXpEvent, u"\\BaseNamedObjects\\other");
  }

  // A run's inventory, as the program makes it, of the system as scripted now.
  TFindResult Find(const std::string& pattern) {
    context = std::make_unique<TProcessContext>(os);
    list = std::make_unique<TqxProcessList>(*context);
    list->AlwaysFullInformation = true;
    list->Refresh();
    list->SelectAll();
    return FindByName(*list, list->SelectedItems(), pattern);
  }

  // Each hit as "pid kind handle name".
  static std::vector<std::string> Rows(const TFindResult& found) {
    std::vector<std::string> rows;
    for (const TqxFindItem& hit : found.Hits)
      rows.push_back(std::to_string(hit.ProcessID) + " " + hit.Filename + " " + hit.Kind + " " +
                     std::to_string(hit.Handle) + " " + hit.Name);
    return rows;
  }

  FakeOs os;
  std::unique_ptr<TProcessContext> context;
  std::unique_ptr<TqxProcessList> list;
};

// Handles and modules of every process, by process, handles first; files in
// drive form, a network name as the kernel gives it; case ignored.
TEST_F(FindTest, HandlesAndModulesOfEveryProcessByDefaultAsACaseIgnoringSubstring) {
  const TFindResult found = Find("report");
  EXPECT_EQ(Rows(found),
            (std::vector<std::string>{
                "1200 winword.exe File 28 C:\\Users\\me\\report.docx",
                "1200 winword.exe Event 32 \\BaseNamedObjects\\ReportReady",
                "1200 winword.exe Module 2113929216 C:\\Office\\ReportHelper.dll",
                "1300 backup.exe File 68 C:\\Users\\me\\REPORT.docx",
                "1300 backup.exe File 72 \\Device\\Mup\\server\\share\\report.docx",
            }));
  EXPECT_EQ(found.UnsearchedCount, 0);
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 1u);
}

TEST_F(FindTest, FileNamesMatchInDriveForm) {
  // The kernel's drive alias, and a volume whose device name only starts like C:'s.
  AddFakeHandle(os, 1300, 0x60, kXpFile, u"\\??\\D:\\Users\\me\\report.docx");
  AddFakeHandle(os, 1300, 0x64, kXpFile, u"\\Device\\HarddiskVolume10\\report.docx");
  EXPECT_EQ(Rows(Find("C:\\Users\\me\\report.docx")),
            (std::vector<std::string>{"1200 winword.exe File 28 C:\\Users\\me\\report.docx",
                                      "1300 backup.exe File 68 C:\\Users\\me\\REPORT.docx"}));
  EXPECT_EQ(Find("HarddiskVolume10\\report").Hits.size(), 1u);  // no drive of its own
  EXPECT_EQ(Find("D:\\Users").Hits.size(), 1u);
  EXPECT_EQ(Find("\\Device\\Mup").Hits.size(), 1u);
}

TEST_F(FindTest, EachMethodTagChoosesItsComparison) {
  struct TCase {
    const char* Pattern;
    size_t Hits;
  };
  const TCase cases[] = {
      {"<substr>report.docx", 3},
      {"<wc>*\\report.docx", 3},        // whole name, any case
      {"<wc>report.docx", 0},           // a wildcard pattern must cover the whole name
      {"<bm>ReportReady", 1},
      {"<bool>report AND NOT share", 4},  // the two local files, the event, the library
      {"<regexpr>\\\\report\\.docx$", 3},
      {"<regexpr>^C:\\\\Office\\\\", 2},   // the two modules of winword.exe
  };
  for (const TCase& c : cases) EXPECT_EQ(Find(c.Pattern).Hits.size(), c.Hits) << c.Pattern;
}

TEST_F(FindTest, ABadExpressionStopsTheSearchBeforeAnythingIsRead) {
  EXPECT_THROW(Find("<regexpr>(unclosed"), ERegExprError);
  EXPECT_EQ(os.CallCount("NtQuerySystemInformation"), 0u);
  EXPECT_EQ(os.CallCount("CreateToolhelp32Snapshot"), 1u);  // the process list's only
}

// Processes that cannot be opened are counted, so that no hit is never
// taken for "nobody holds it".
TEST_F(FindTest, ProcessesThatCouldNotBeSearchedAreCounted) {
  TFakeProcess& locked = *os.FindProcess(1300);
  locked.AllowedAccess = 0;
  locked.ModuleSnapshotFails = true;
  const TFindResult found = Find("report");
  EXPECT_EQ(found.Hits.size(), 3u);  // winword.exe's only
  EXPECT_EQ(found.UnsearchedCount, 1);
}

// The enumeration of module handles stands in where the snapshot fails.
TEST_F(FindTest, ModulesTheSnapshotCouldNotReadAreFoundByEnumeration) {
  os.FindProcess(1200)->ModuleSnapshotFails = true;
  const TFindResult found = Find("ReportHelper");
  ASSERT_EQ(found.Hits.size(), 1u);
  EXPECT_EQ(found.Hits[0].Name, "C:\\Office\\ReportHelper.dll");
  EXPECT_EQ(found.UnsearchedCount, 0);
}

// Modules are read from the loader list; where it cannot be walked, from the snapshot.
TEST_F(FindTest, ModulesOfAListThatCannotBeWalkedAreFoundByTheSnapshot) {
  for (const TLoaderFault fault : {TLoaderFault::None, TLoaderFault::EndsUnmapped}) {
    os.FindProcess(1200)->LoaderFault = fault;
    const TFindResult found = Find("ReportHelper");
    ASSERT_EQ(found.Hits.size(), 1u);
    EXPECT_EQ(found.Hits[0].Name, "C:\\Office\\ReportHelper.dll");
    EXPECT_EQ(found.Hits[0].Handle, 0x7E000000u);
    EXPECT_EQ(found.UnsearchedCount, 0);
  }
}

TEST_F(FindTest, AnUnreadableTableIsAnErrorNotAnEmptyResult) {
  os.HandleTableFailure = 0xC0000022u;
  EXPECT_THROW(Find("report"), EHandleTableError);
}

// A File handle whose name query never returns, and one of a type the kernel
// could not name, cost the time limit each, not the search.
TEST_F(FindTest, StalledAndUnknownHandlesCostTheTimeLimitOnly) {
  os.Version.dwMajorVersion = 10;
  os.Version.dwMinorVersion = 0;
  os.ObjectTypeNames = {{37, u"File"}};
  AddFakeHandle(os, 1300, 0x50, 37, u"\\Device\\NamedPipe\\report").Stalls = true;
  AddFakeHandle(os, 1300, 0x54, 80, u"\\Device\\NamedPipe\\report2").Stalls = true;
  AddFakeHandle(os, 1300, 0x58, 37, u"\\Device\\HarddiskVolume1\\report.txt");
  const auto start = std::chrono::steady_clock::now();
  const TFindResult found = Find("report");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
  EXPECT_EQ(os.StallsOnCallerThread, 0u);
  ASSERT_FALSE(found.Hits.empty());
  EXPECT_EQ(found.Hits.back().Name, "C:\\report.txt");
  EXPECT_EQ(found.Hits.back().Kind, "File");
}

}  // namespace
}  // namespace kvt
