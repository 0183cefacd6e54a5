#include "files/path_normaliser.h"

#include <gtest/gtest.h>

#include <memory>

#include "fake_processes.h"
#include "files/location_sources.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

class PathNormaliserTest : public ::testing::Test {
 protected:
  PathNormaliserTest() {
    os.ShellFolders = {{kCsidlWindows, "C:\\WINDOWS"},
                       {kCsidlSystem, "C:\\WINDOWS\\system32"},
                       {kCsidlProgramFiles, "C:\\Program Files"}};
    os.AddRegistryKey(false, "SOFTWARE\\Wow6432Node");
    os.SetRegistryString(false, "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion",
                         "ProgramFilesDir", "C:\\Program Files (x86)");
  }

  // The table is built on first use, after a test has scripted the system.
  std::string Normalise(const std::string& path) {
    if (!table) table = std::make_unique<TLocationTable>(BuildLocationTable(os));
    return NormalisePath(os, *table, path);
  }

  FakeOs os;
  std::unique_ptr<TLocationTable> table;
};

TEST_F(PathNormaliserTest, ExistingFilesComeBackByteForByte) {
  os.AddFile("C:\\WINDOWS\\explorer.exe");
  os.AddFile("C:\\Tools\\tool.exe");
  EXPECT_EQ(Normalise("C:\\WINDOWS\\\\explorer.exe"), "C:\\WINDOWS\\\\explorer.exe");
  EXPECT_EQ(Normalise("c:\\windows\\EXPLORER.EXE"), "c:\\windows\\EXPLORER.EXE");
  EXPECT_EQ(Normalise("tool.exe"), "tool.exe");  // found in the current directory
  EXPECT_EQ(Normalise(""), "");
}

TEST_F(PathNormaliserTest, BareNamesAreLookedForInTheWindowsThenTheSystemDirectory) {
  os.AddFile("C:\\WINDOWS\\system32\\x.dll");
  os.AddFile("C:\\WINDOWS\\system32\\y.dll");
  os.AddFile("C:\\WINDOWS\\y.dll");
  os.AddDirectory("C:\\Tools\\x.dll");  // a directory is no file
  EXPECT_EQ(Normalise("x.dll"), "C:\\WINDOWS\\system32\\x.dll");
  EXPECT_EQ(Normalise("y.dll"), "C:\\WINDOWS\\y.dll");
  EXPECT_EQ(Normalise("z.dll"), "z.dll");
}

TEST_F(PathNormaliserTest, SystemRootFormsBecomeWindowsDirectoryPaths) {
  os.AddFile("C:\\WINDOWS\\system32\\smss.exe");
  os.AddFile("C:\\WINDOWS\\system32\\csrss.exe");
  os.AddFile("C:\\WINDOWS\\system32\\drivers\\x.sys");
  EXPECT_EQ(Normalise("\\SystemRoot\\System32\\smss.exe"), "C:\\WINDOWS\\System32\\smss.exe");
  EXPECT_EQ(Normalise("%SystemRoot%\\System32\\csrss.exe"), "C:\\WINDOWS\\System32\\csrss.exe");
  EXPECT_EQ(Normalise("\\system32\\drivers\\x.sys"), "C:\\WINDOWS\\system32\\drivers\\x.sys");
  // A missing file keeps the text the prefix rules left.
  EXPECT_EQ(Normalise("%SYSTEMROOT%\\System32\\gone.exe"), "System32\\gone.exe");
  EXPECT_EQ(Normalise("\\SYSTEM3"), "\\SYSTEM3");
}

TEST_F(PathNormaliserTest, NativePrefixGivesTheDrivePath) {
  // The platform would find the file through its native form; the drive form is wanted.
  os.AddFile("C:\\WINDOWS\\system32\\winlogon.exe");
  EXPECT_EQ(Normalise("\\??\\C:\\WINDOWS\\system32\\winlogon.exe"),
            "C:\\WINDOWS\\system32\\winlogon.exe");
  EXPECT_EQ(Normalise("\\??\\D:\\gone\\\\x.exe"), "D:\\gone\\x.exe");
}

TEST_F(PathNormaliserTest, HostCommandLinesNameTheirLibrary) {
  os.AddFile("C:\\Apps\\lib.dll");
  os.AddFile("C:\\WINDOWS\\system32\\shell32.dll");
  os.AddFile("C:\\WINDOWS\\system32\\rundll32.exe");
  EXPECT_EQ(Normalise("rundll32.exe C:\\Apps\\lib.dll,Entry 1 2"), "C:\\Apps\\lib.dll");
  EXPECT_EQ(Normalise("RUNDLL32 shell32.dll,Control_RunDLL"),
            "C:\\WINDOWS\\system32\\shell32.dll");
  EXPECT_EQ(Normalise("rundll32.exe"), "C:\\WINDOWS\\system32\\rundll32.exe");
  EXPECT_EQ(Normalise("Rundll32 \"C:\\A B\\q.dll\",X"), "\"C:\\A B\\q.dll\"");
  EXPECT_EQ(Normalise("RUNDLL3 a.dll,b"), "RUNDLL3 a.dll,b");
}

TEST_F(PathNormaliserTest, ProgramFilesPreferTheWindowsDirectoryThenTheLaterDirectory) {
  os.AddFile("C:\\Program Files\\App\\app.exe");
  os.AddFile("C:\\Program Files (x86)\\App\\app.exe");
  EXPECT_EQ(Normalise("%ProgramFiles%\\App\\app.exe"), "C:\\Program Files (x86)\\App\\app.exe");
  os.AddFile("C:\\WINDOWS\\App\\app.exe");
  EXPECT_EQ(Normalise("%PROGRAMFILES%\\App\\app.exe"), "C:\\WINDOWS\\App\\app.exe");
}

TEST_F(PathNormaliserTest, OnlyCandidatesOnTheWindowsDriveAreTaken) {
  os.ShellFolders[kCsidlProgramFiles] = "E:\\Programs";
  os.AddFile("E:\\Programs\\Tool\\t.exe");
  EXPECT_EQ(Normalise("%ProgramFiles%\\Tool\\t.exe"), "\\Tool\\t.exe");
  os.AddFile("C:\\Program Files (x86)\\Tool\\t.exe");
  // E: sorts last, but the last candidate on the Windows drive wins.
  EXPECT_EQ(Normalise("%ProgramFiles%\\Tool\\t.exe"), "C:\\Program Files (x86)\\Tool\\t.exe");
}

TEST_F(PathNormaliserTest, DoubledBackslashesCollapseInOnePass) {
  EXPECT_EQ(Normalise("C:\\nothere\\\\x.exe"), "C:\\nothere\\x.exe");
  EXPECT_EQ(Normalise("C:\\a\\\\\\b\\\\\\\\c"), "C:\\a\\\\b\\\\c");
}

TEST_F(PathNormaliserTest, ItemsNormaliseOnceAndKeepTheResult) {
  AddFakeProcess(os, 300, 4, "\\SystemRoot\\System32\\smss.exe");
  AddFakeProcess(os, 301, 4, "C:\\gone.exe");
  os.AddFile("C:\\WINDOWS\\system32\\smss.exe");
  TProcessContext context(os);
  TqxProcessList list(context);
  list.Refresh();
  TqxProcessItem& smss = list.Items(0);
  EXPECT_EQ(smss.CompleteFilename(), "C:\\WINDOWS\\System32\\smss.exe");
  const size_t tests = os.CallCount("GetFileAttributesW");
  smss.Filename = "other.exe";
  EXPECT_EQ(smss.CompleteFilename(), "C:\\WINDOWS\\System32\\smss.exe");
  EXPECT_EQ(os.CallCount("GetFileAttributesW"), tests);

  TqxProcessItem& unnamed = list.Items(1);
  unnamed.Filename = "";
  EXPECT_EQ(unnamed.CompleteFilename(), "");
  unnamed.Filename = "smss.exe";  // an empty result is computed again
  EXPECT_EQ(unnamed.CompleteFilename(), "C:\\WINDOWS\\system32\\smss.exe");
}

}  // namespace
}  // namespace kvt
