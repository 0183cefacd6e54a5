#include "files/location_sources.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

constexpr const char* kCurrentVersion = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
constexpr const char* kWowCurrentVersion = "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion";

using TPaths = std::vector<std::string>;

TEST(LocationSourcesTest, ShellFoldersAndTheProgramFilesOfBothRegistryViews) {
  FakeOs os;
  os.WindowsDirectory = "C:\\WINNT";
  os.ShellFolders = {{kCsidlWindows, "C:\\WINDOWS\\"},
                     {kCsidlSystem, "C:\\WINDOWS\\\\system32"},
                     {kCsidlProgramFiles, "D:\\Shell Programs"}};
  os.SetRegistryString(true, kCurrentVersion, "ProgramFilesDir", "C:\\Program Files\\");
  os.SetRegistryString(false, kCurrentVersion, "ProgramFilesDir", "C:\\Not Below Wow");
  os.SetRegistryString(false, kWowCurrentVersion, "ProgramFilesDir", "C:\\Program Files (x86)");
  const TLocationTable table = BuildLocationTable(os);
  EXPECT_EQ(table.Paths(kWinDirMacro), TPaths{"C:\\WINDOWS"});
  EXPECT_EQ(table.Paths(kSysDirMacro), TPaths{"C:\\WINDOWS\\system32"});
  EXPECT_EQ(table.Paths(kProgramFilesMacro),
            (TPaths{"C:\\Program Files", "C:\\Program Files (x86)", "D:\\Shell Programs"}));
  EXPECT_EQ(table.WindowsDirectory, "C:\\WINNT");  // the drive test asks the platform itself
  EXPECT_EQ(os.OpenIdListCount(), 0u);
  EXPECT_EQ(os.OpenKeyCount(), 0u);
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

TEST(LocationSourcesTest, ProgramFilesFallBackToThe32BitViewWhenTheShellHasNoPath) {
  FakeOs os;
  os.ShellFolders = {{kCsidlProgramFiles, ""}};  // a folder without a file-system path
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
