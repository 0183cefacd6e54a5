#include "processes/drive_paths.h"

#include <gtest/gtest.h>

#include "fake_processes.h"

namespace kvt {
namespace {

TEST(ListDriveDevices, OneEntryPerDriveThatAnswers) {
  FakeOs os;
  os.DriveDevices = {{'C', "\\Device\\HarddiskVolume1"}, {'Z', "\\??\\unix"}};
  os.DrivesFailingQuery = {'D'};
  TStringList list;
  list.Add("stale");
  ListDriveDevices(os, list, ":");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list[0], "C:=\\Device\\HarddiskVolume1");
  EXPECT_EQ(list[1], "Z:=\\??\\unix");
}

TEST(DevicePathToDrivePath, FirstDriveWhoseDevicePrefixesThePathWins) {
  FakeOs os;
  os.DriveDevices = {{'C', "\\Device\\HarddiskVolume1"}, {'D', "\\Device\\HarddiskVolume10"}};
  // No separator test: volume 1 is a prefix of volume 10 and C comes first.
  EXPECT_EQ(DevicePathToDrivePath(os, "\\Device\\HarddiskVolume10\\x.exe"), "C:0\\x.exe");
  EXPECT_EQ(DevicePathToDrivePath(os, "\\Device\\HarddiskVolume1\\x.exe"), "C:\\x.exe");
  EXPECT_EQ(DevicePathToDrivePath(os, "\\device\\harddiskvolume1\\x.exe"),
            "\\device\\harddiskvolume1\\x.exe");  // case-sensitive
}

TEST(DevicePathToDrivePath, AFailingDriveQueryNeverMatchesEverything) {
  FakeOs os;
  os.DriveDevices = {{'D', "\\Device\\CdRom0"}};
  os.DrivesFailingQuery = {'A'};
  EXPECT_EQ(DevicePathToDrivePath(os, "\\Device\\Other\\x.exe"), "\\Device\\Other\\x.exe");
}

// The query and read rights first; with the least right (Windows 6.0 and
// later) a process they cannot name is asked through the limited right.
TEST(GetProcessImageName, EachRouteAndWhenItIsTaken) {
  constexpr uint32_t kAll = 0x1FFFFF;
  constexpr uint32_t kLimitedOnly = kAll & ~(kProcessQueryInformation | kProcessVmRead);
  const struct {
    const char* Case;
    uint32_t Id;
    bool ImageFileNameBound;
    bool FullImageNameBound;
    bool LeastRight;
    const char* Expected;
  } kCases[] = {
      {"device path", 10, true, true, true, "C:\\i.exe"},
      {"module name without the device call", 10, false, true, false, "C:\\m.exe"},
      {"guarded, old ways", 11, true, true, false, ""},
      {"guarded, least right", 11, true, true, true, "C:\\Services\\guarded.exe"},
      {"guarded, least right unbound", 11, true, false, true, ""},
      {"named by neither right call", 12, true, true, true, ""},
      {"closed to every right", 13, true, true, true, ""},
      {"no such process", 14, true, true, true, ""},
  };
  for (const auto& c : kCases) {
    FakeOs os;
    AddFakeProcess(os, 10, 1, "C:\\m.exe").ImageDevicePath = "\\Device\\HarddiskVolume1\\i.exe";
    AddFakeProcess(os, 11, 1, "C:\\Services\\guarded.exe").AllowedAccess = kLimitedOnly;
    AddFakeProcess(os, 12, 1, "");  // System: no image file
    AddFakeProcess(os, 13, 1, "C:\\locked.exe").AllowedAccess = 0;
    os.ImageFileNameBound = c.ImageFileNameBound;
    os.FullImageNameBound = c.FullImageNameBound;
    TStringList drives;
    ListDriveDevices(os, drives, ":");
    EXPECT_EQ(GetProcessImageName(os, c.Id, drives, c.LeastRight), c.Expected) << c.Case;
    EXPECT_EQ(os.OpenHandleCount(), 0u) << c.Case;
  }
}

}  // namespace
}  // namespace kvt
