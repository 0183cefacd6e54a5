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

TEST(GetProcessImageName, ClosesTheProcessAndGivesEmptyOnFailure) {
  FakeOs os;
  AddFakeProcess(os, 10, 1, "C:\\m.exe").ImageDevicePath = "\\Device\\HarddiskVolume1\\i.exe";
  AddFakeProcess(os, 11, 1, "C:\\locked.exe").AllowedAccess = 0;
  TStringList drives;
  ListDriveDevices(os, drives, ":");
  EXPECT_EQ(GetProcessImageName(os, 10, drives), "C:\\i.exe");
  EXPECT_EQ(GetProcessImageName(os, 11, drives), "");
  EXPECT_EQ(GetProcessImageName(os, 12, drives), "");
  os.ImageFileNameBound = false;
  EXPECT_EQ(GetProcessImageName(os, 10, drives), "C:\\m.exe");
  EXPECT_EQ(os.OpenHandleCount(), 0u);
}

}  // namespace
}  // namespace kvt
