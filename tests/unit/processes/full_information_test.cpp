#include <gtest/gtest.h>

#include "fake_processes.h"
#include "processes/process_list.h"
#include "support/text.h"
#include "version_resource_builder.h"

namespace kvt {
namespace {

class FullInformationTest : public ::testing::Test {
 protected:
  FullInformationTest() {
    os.DriveDevices['D'] = "\\Device\\CdRom0";
    os.DrivesWithoutVolume = {'D'};
  }
  TqxProcessItem& Item(TqxProcessList& list, const std::string& filename) {
    auto& item = static_cast<TqxProcessItem&>(list.Add());
    item.Filename = filename;
    return item;
  }
  FakeOs os;
};

TEST_F(FullInformationTest, DigestSizeAndVersionEntries) {
  os.File("C:\\app.exe").Bytes = PeFileWithStrings(
      {{"CompanyName", "Maker"}, {"FileDescription", "A tool"}, {"FileVersion", "2.0"}});
  TProcessContext context(os);
  TqxProcessList list(context);
  TqxProcessItem& item = Item(list, "C:\\app.exe");
  list.ReadFullInformation();
  const std::string bytes = os.File("C:\\app.exe").Bytes;
  EXPECT_EQ(item.FileMD5().size(), 32u);
  EXPECT_EQ(item.FileMD5().find_first_of("abcdef"), std::string::npos);
  EXPECT_EQ(item.StoredFilesize(), static_cast<int64_t>(bytes.size()));
  EXPECT_EQ(item.FileCompany, "Maker");
  EXPECT_EQ(item.FileDescription, "A tool");
  EXPECT_EQ(item.FileVersion, "2.0");
  EXPECT_EQ(item.FileHint,
            "FileVersion: 2.0\r\nCompanyName: Maker\r\nInternalName: \r\nComments: \r\n"
            "LegalCopyright: \r\nLegalTrademarks: \r\nOriginalFilename: \r\nProductName: \r\n"
            "ProductVersion: \r\nFileDescription: A tool\r\nPrivateBuild: \r\n"
            "SpecialBuild: \r\n");

  TStringList lines;
  item.AddLogLines(lines);
  ASSERT_EQ(lines.Count(), 3);
  EXPECT_EQ(lines[1], " size: " + std::to_string(bytes.size()));
  EXPECT_EQ(lines[2], "  MD5: " + item.FileMD5());

  // A second call finds the work done: nothing is hashed or read again.
  os.Calls.clear();
  list.ReadFullInformation();
  EXPECT_EQ(os.CallCount("ReadFile"), 0u);
  EXPECT_EQ(os.CallCount("GetFileVersionInfoSizeW"), 0u);
}

// The 32-bit program on a 64-bit Windows: a path into the 64-bit system
// folder names the 64-bit file, which the platform would replace by the 32-bit
// one of the same name unless redirection is switched off around the reads.
TEST_F(FullInformationTest, UnderWow64TheFileThePathNamesIsRead) {
  os.Wow64 = true;
  const std::string path = "C:\\WINDOWS\\system32\\x.exe";
  os.File(path).Bytes = PeFileWithStrings(
      {{"CompanyName", "Maker"}, {"FileDescription", "64-bit tool"}, {"FileVersion", "10.0"}});
  os.File("C:\\WINDOWS\\SysWOW64\\x.exe").Bytes =
      PeFileWithStrings({{"FileDescription", "32-bit copy"}, {"FileVersion", "6.1"}});
  os.File(path).ReadFailsAt = 0;  // and every digest read fails
  for (const bool bound : {true, false}) {
    os.Wow64RedirectionBound = bound;
    TProcessContext context(os);
    TqxProcessList list(context);
    TqxProcessItem& item = Item(list, path);
    os.Calls.clear();
    list.ReadFullInformation();
    const std::string& file = os.File(bound ? path : "C:\\WINDOWS\\SysWOW64\\x.exe").Bytes;
    EXPECT_EQ(item.FileDescription, bound ? "64-bit tool" : "32-bit copy");
    EXPECT_EQ(item.StoredFilesize(), static_cast<int64_t>(file.size()));
    EXPECT_EQ(item.FileMD5() == TSystemLogItem::kDigestFailure, bound)
        << "the true file cannot be read through";
    // Switched back on after every read, the failing one included.
    EXPECT_FALSE(os.RedirectionOff());
    EXPECT_EQ(os.CallCount("Wow64DisableWow64FsRedirection"),
              os.CallCount("Wow64RevertWow64FsRedirection"));
    EXPECT_EQ(os.CallCount("Wow64DisableWow64FsRedirection") > 0, bound);
  }
}

// The digests come with the process's normalised name, from one read of the
// file, and are kept in one place: a second read costs nothing.
TEST_F(FullInformationTest, BothDigestsOfTheNormalisedNameFromOneRead) {
  os.File("C:\\WINDOWS\\system32\\smss.exe").Bytes = "abc";
  TProcessContext context(os);
  TqxProcessList list(context);
  TqxProcessItem& item = Item(list, "\\SystemRoot\\System32\\smss.exe");
  EXPECT_EQ(item.FileMD5(), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(item.FileSHA256(), "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD");
  EXPECT_EQ(item.MD5(), item.FileMD5());
  EXPECT_EQ(os.BytesRead, 3u);
  EXPECT_EQ(os.CallCount("CreateFileW"), 1u);
  EXPECT_EQ(context.FileDigestCache.Count(), 1);
}

TEST_F(FullInformationTest, EmptyInputDigestIsNoDigest) {
  os.File("C:\\empty.exe").Bytes = "";
  TProcessContext context(os);
  TqxProcessList list(context);
  TqxProcessItem& empty = Item(list, "C:\\empty.exe");
  TqxProcessItem& system = Item(list, "[System]");
  TqxProcessItem& preset = Item(list, "C:\\empty.exe");
  preset.SetMD5("D41D8CD98F00B204E9800998ECF8427E");  // emptied on every call
  list.ReadFullInformation();
  for (TqxProcessItem* item : {&empty, &system, &preset}) {
    EXPECT_EQ(item->FileMD5(), "");
    EXPECT_EQ(item->FileSHA256(), "");
    EXPECT_EQ(item->StoredFilesize(), 0);
    EXPECT_EQ(item->FileHint, "");
    TStringList lines;
    item->AddLogLines(lines);
    EXPECT_EQ(lines.Count(), 1);
  }
}

TEST_F(FullInformationTest, TwoProcessesOfOneExecutableShareTheDigest) {
  os.File("C:\\app.exe").Bytes = "abc";
  TProcessContext context(os);
  TqxProcessList list(context);
  Item(list, "C:\\app.exe");
  Item(list, "c:\\App.exe");
  list.ReadFullInformation();
  EXPECT_EQ(list.Items(0).FileMD5(), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(list.Items(1).FileMD5(), list.Items(0).FileMD5());
  EXPECT_EQ(os.CallCount("ReadFile"), 1u);
}

TEST_F(FullInformationTest, SizeFallbackOffTheReadyVolumes) {
  const struct {
    int64_t Size;
    int64_t Expected;
  } cases[] = {{5, 5},
               {(int64_t{1} << 32) + 7, (int64_t{1} << 32) + 7},
               {int64_t{1} << 32, 0},           // low part 0: no size
               {0xFFFFFFFFll, 0},               // low part all ones: no size
               {(int64_t{2} << 32) - 1, 0}};
  for (const auto& test : cases) {
    os.File("D:\\tool.exe").ReportedSize = test.Size;
    TProcessContext context(os);
    TqxProcessList list(context);
    TqxProcessItem& item = Item(list, "D:\\tool.exe");
    os.CreateFileCalls.clear();
    list.ReadFullInformation();
    EXPECT_EQ(item.StoredFilesize(), test.Expected) << test.Size;
    ASSERT_FALSE(os.CreateFileCalls.empty());
    EXPECT_EQ(os.CreateFileCalls.back().ShareMode,
              kFileShareRead | kFileShareWrite | kFileShareDelete);
  }
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

TEST_F(FullInformationTest, WithoutVersionResourceTheFieldsStayEmpty) {
  os.File("C:\\plain.exe").Bytes = BuildPeFile("");
  TProcessContext context(os);
  TqxProcessList list(context);
  TqxProcessItem& item = Item(list, "C:\\plain.exe");
  item.FileCompany = "stale";
  list.ReadFullInformation();
  EXPECT_EQ(item.FileCompany, "");
  EXPECT_EQ(item.FileHint, "");
}

// The version resource is read once per distinct file (names compared as the
// normalised name, case ignored), and only for the items that ask.
TEST_F(FullInformationTest, EachExecutableIsReadOncePerRun) {
  const struct {
    int Processes;
    int Files;
    bool SpellingVaries;
  } cases[] = {{2, 1, true}, {250, 5, false}, {250, 5, true}, {3, 3, false}};
  for (const auto& test : cases) {
    TProcessContext context(os);
    TqxProcessList list(context);
    for (int i = 0; i < test.Files; ++i)
      os.File("C:\\tool" + std::to_string(i) + ".exe").Bytes =
          PeFileWithStrings({{"FileVersion", std::to_string(i)}});
    for (int i = 0; i < test.Processes; ++i) {
      const std::string name = "tool" + std::to_string(i % test.Files) + ".exe";
      const bool upper = test.SpellingVaries && i % 2 == 1;
      Item(list, upper ? "c:\\" + AsciiUpperCase(name) : "C:\\" + name);
    }
    os.Calls.clear();
    list.Items(0).ReadFileFacts();
    EXPECT_EQ(os.CallCount("GetFileVersionInfoSizeW"), 1u) << test.Processes;
    list.ReadFullInformation();
    EXPECT_EQ(os.CallCount("GetFileVersionInfoSizeW"), static_cast<size_t>(test.Files))
        << test.Processes;
    const int64_t size = static_cast<int64_t>(os.File("C:\\tool0.exe").Bytes.size());
    for (int i = 0; i < test.Processes; ++i) {
      EXPECT_EQ(list.Items(i).FileVersion, std::to_string(i % test.Files)) << i;
      EXPECT_EQ(list.Items(i).StoredFilesize(), size) << i;
    }
  }
}

TEST_F(FullInformationTest, AnUnreadableExecutableDoesNotStopTheOthers) {
  os.File("C:\\bad.exe").Bytes = std::string(100, 'x');
  os.File("C:\\bad.exe").ReadFailsAt = 10;
  os.File("C:\\good.exe").Bytes = "abc";
  TProcessContext context(os);
  TqxProcessList list(context);
  TqxProcessItem& bad = Item(list, "C:\\bad.exe");
  TqxProcessItem& good = Item(list, "C:\\good.exe");
  list.ReadFullInformation();
  EXPECT_EQ(bad.FileMD5(), "n/a");
  EXPECT_EQ(bad.FileSHA256(), "n/a");
  EXPECT_EQ(bad.StoredFilesize(), 100);
  EXPECT_EQ(good.FileMD5(), "900150983CD24FB0D6963F7D28E17F72");
}

}  // namespace
}  // namespace kvt
