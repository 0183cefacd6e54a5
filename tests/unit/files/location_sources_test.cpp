#include "files/location_sources.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kWowCurrentVersion = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";

using TPaths = std::vector<std::string>;

// The 32-bit program on a 64-bit Windows: the system's own calls and the
// shell name the same directories. The table is built from the calls alone,
// and, where they have no answer, from the shell: the same entries either way.
TEST(LocationSourcesTest, SameEntriesFromTheSystemAloneAndFromTheShell) {
  for (const bool systemAnswers : {true, false}) {
    FakeOs os;
    os.ShellFolders = {{kCsidlWindows, "C:\\WINDOWS\\"},
                       {kCsidlSystem, "C:\\WINDOWS\\\\system32"},
                       {kCsidlProgramFiles, "C:\\Program Files (x86)"}};
    os.SetRegistryString(true, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files\\");
    os.SetRegistryString(false, kWowCurrentVersion, "ProgramFilesDir", "C:\\Program Files (x86)");
    if (systemAnswers) {
      // The 32-bit view shows the program the values below Wow6432Node.
      os.SetRegistryString(false, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files (x86)");
    } else {
      os.WindowsDirectory = "";
      os.SystemDirectory = "";
    }
    const TLocationTable table = BuildLocationTable(os);
    EXPECT_EQ(table.Paths(kWinDirMacro), TPaths{"C:\\WINDOWS"});
    EXPECT_EQ(table.Paths(kSysDirMacro), TPaths{"C:\\WINDOWS\\system32"});
    EXPECT_EQ(table.Paths(kProgramFilesMacro),
              (TPaths{"C:\\Program Files", "C:\\Program Files (x86)"}));
    EXPECT_EQ(os.CallCount("SHGetSpecialFolderLocation") > 0, !systemAnswers);
    EXPECT_EQ(os.OpenIdListCount(), 0u);
    EXPECT_EQ(os.OpenKeyCount(), 0u);
  }
}

TEST(LocationSourcesTest, TheDriveTestAsksThePlatformItself) {
  FakeOs os;
  os.WindowsDirectory = "C:\\WINNT";
  os.ShellFolders = {{kCsidlWindows, "C:\\WINDOWS"}};
  EXPECT_EQ(BuildLocationTable(os).WindowsDirectory, "C:\\WINNT");
}

TEST(LocationSourcesTest, WithoutWow6432NodeThe32BitViewIsReadWhereThe64BitViewIs) {
  FakeOs os;
  os.SetRegistryString(true, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files");
  os.SetRegistryString(false, kCurrentVersion, "ProgramFilesDir", "C:\\Programs32");
  const TLocationTable table = BuildLocationTable(os);
  EXPECT_EQ(table.Paths(kProgramFilesMacro), (TPaths{"C:\\Program Files", "C:\\Programs32"}));
  // Without shell folders the Windows and system directories come from the platform.
  EXPECT_EQ(table.Paths(kWinDirMacro), TPaths{"C:\\WINDOWS"});
  EXPECT_EQ(table.Paths(kSysDirMacro), TPaths{"C:\\WINDOWS\\system32"});
}

TEST(LocationSourcesTest, ProgramFilesFromTheProgramsOwnRegistryView) {
  FakeOs os;
  os.ShellFolders = {{kCsidlProgramFiles, ""}};  // never asked: the registry answers
  os.SetRegistryString(false, kCurrentVersion, "ProgramFilesDir", "C:\\Fallback");
  os.AddRegistryKey(false, "SOFTWARE\\Wow6432Node");
  const TLocationTable table = BuildLocationTable(os);
  EXPECT_EQ(table.Paths(kProgramFilesMacro), TPaths{"C:\\Fallback"});
  EXPECT_EQ(os.OpenIdListCount(), 0u);
}

TEST(LocationSourcesTest, RegistryFallbacksInTheirOrderThroughThe32BitView) {
  FakeOs os;
  os.WindowsDirectory = "";
  os.SystemDirectory = "";
  os.SetRegistryString(true, "Software\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
                       "C:\\From64");
  os.SetRegistryString(false, "Software\\Microsoft\\Windows NT\\CurrentVersion", "PathName",
                       "C:\\WINNT\\");
  os.SetRegistryString(false, kCurrentVersion, "SystemRoot", "C:\\Later");
  os.SetRegistryString(false, "Software\\Microsoft\\Windows\\CurrentVersion\\Installer",
                       "InstallerLocation", "C:\\WINNT\\system32");
  const TLocationTable table = BuildLocationTable(os);
  // The second pass's own pairs found nothing and join the sets empty.
  EXPECT_EQ(table.Paths(kWinDirMacro), (TPaths{"", "C:\\WINNT"}));
  EXPECT_EQ(table.Paths(kSysDirMacro), (TPaths{"", "C:\\WINNT\\system32"}));
  EXPECT_EQ(table.WindowsDirectory, "");
  EXPECT_EQ(os.OpenKeyCount(), 0u);
}

}  // namespace
}  // namespace kvt
