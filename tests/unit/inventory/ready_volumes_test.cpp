#include "inventory/ready_volumes.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

const char* const kProgramKey = "SOFTWARE\\Halvorsk\\Tweaks\\kvtProc.exe";
const char* const kCommonKey = "SOFTWARE\\Halvorsk\\Tweaks";
const char* const kTweak = "FloppyVolumeInformation";

// The program is 32-bit: its tweaks live in the 32-bit view.
void SetDword(FakeOs& os, const char* key, uint32_t value) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>(value >> (8 * i));
  os.SetRegistryValue(false, key, kTweak, kRegDword, bytes);
}

class ReadyVolumesTest : public ::testing::Test {
 protected:
  ReadyVolumesTest() {
    os.DriveDevices = {{'A', "\\Device\\Floppy0"}, {'C', "\\Device\\HarddiskVolume1"},
                       {'D', "\\Device\\CdRom0"}, {'E', "\\Device\\HarddiskVolume2"}};
    os.DrivesWithoutVolume = {'D'};
  }
  FakeOs os;
};

TEST_F(ReadyVolumesTest, FromCUpwardsWithoutTheTweak) {
  EXPECT_EQ(ProbeReadyVolumes(os), "CE");
  EXPECT_EQ(os.CallCount("GetVolumeInformationW"), 3u);  // C, D and E: A is never touched
}

TEST_F(ReadyVolumesTest, TheTweakNamesTheFirstDriveProbed) {
  SetDword(os, kCommonKey, 0);
  EXPECT_EQ(ProbeReadyVolumes(os), "ACE");
  SetDword(os, kProgramKey, 0x104);  // only the low byte counts: E
  EXPECT_EQ(ProbeReadyVolumes(os), "E");
  SetDword(os, kProgramKey, 26);
  os.Calls.clear();
  EXPECT_EQ(ProbeReadyVolumes(os), "");
  EXPECT_EQ(os.CallCount("GetVolumeInformationW"), 0u);
  EXPECT_EQ(os.OpenKeyCount(), 0u);
}

TEST_F(ReadyVolumesTest, OnlyADwordInTheProgramsOwnViewIsATweak) {
  os.SetRegistryValue(true, kCommonKey, kTweak, kRegDword, std::string(4, '\0'));
  os.SetRegistryString(false, kProgramKey, kTweak, "0");
  uint8_t value = 9;
  EXPECT_FALSE(ReadTweak(os, kTweak, value));
  EXPECT_EQ(value, 9);
  SetDword(os, kCommonKey, 1);  // the common key still answers
  EXPECT_TRUE(ReadTweak(os, kTweak, value));
  EXPECT_EQ(value, 1);
  EXPECT_EQ(ProbeReadyVolumes(os), "CE");  // B does not exist
}

TEST(VolumeReady, LooksAtTheFirstCharacterOnly) {
  EXPECT_TRUE(VolumeReady("CE", "c:\\x.exe"));
  EXPECT_TRUE(VolumeReady("CE", "E"));
  EXPECT_FALSE(VolumeReady("CE", "D:\\x.exe"));
  EXPECT_FALSE(VolumeReady("CE", "\\\\server\\share\\x.exe"));
  EXPECT_FALSE(VolumeReady("CE", "\\??\\C:\\x.exe"));
  EXPECT_FALSE(VolumeReady("CE", ""));
  EXPECT_FALSE(VolumeReady("", "C:\\x.exe"));
}

}  // namespace
}  // namespace kvt
