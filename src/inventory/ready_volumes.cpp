#include "inventory/ready_volumes.h"

#include "os/os.h"
#include "support/path_parts.h"
#include "support/registry.h"

namespace kvt {
namespace {

// Below HKEY_LOCAL_MACHINE; the program's own key is this one followed by its
// file name.
constexpr const char* kTweaksKey = "\\SOFTWARE\\Halvorsk\\Tweaks\\";
constexpr const char* kFirstVolumeTweak = "FloppyVolumeInformation";
constexpr uint8_t kFirstHardDiskIndex = 2;  // C
constexpr int kLastDriveIndex = 25;         // Z
constexpr uint32_t kVolumeNameSize = 260;

bool ReadDword(Os& os, const std::string& keyPath, const std::string& name, uint8_t& lowByte) {
  // The program's settings are where its own default view puts them.
  uint32_t type = 0;
  std::string data;
  if (!TRegistryKey(os, kHkeyLocalMachine, keyPath, OwnRegistryView(os))
           .ReadValue(name, type, data) ||
      type != kRegDword || data.empty())
    return false;
  lowByte = static_cast<uint8_t>(data[0]);
  return true;
}

}  // namespace

bool ReadTweak(Os& os, const std::string& name, uint8_t& value) {
  const std::string program = SplitPath(os.GetOwnModuleFileName()).Name;
  return ReadDword(os, kTweaksKey + program, name, value) ||
         ReadDword(os, kTweaksKey, name, value);
}

std::string ProbeReadyVolumes(Os& os) {
  uint8_t first = kFirstHardDiskIndex;
  ReadTweak(os, kFirstVolumeTweak, first);
  const uint32_t mask = os.GetLogicalDrives();
  std::string letters;
  for (int index = first; index <= kLastDriveIndex; ++index) {
    if ((mask & (1u << index)) == 0) continue;
    const char root[] = {static_cast<char>('A' + index), ':', '\\', '\0'};
    char volumeName[kVolumeNameSize];
    char fileSystemName[kVolumeNameSize];
    uint32_t componentLength = 0, flags = 0;
    if (os.GetVolumeInformationW(root, volumeName, kVolumeNameSize, nullptr, &componentLength,
                                 &flags, fileSystemName, kVolumeNameSize))
      letters += root[0];
  }
  return letters;
}

bool VolumeReady(const std::string& readyVolumes, const std::string& path) {
  if (readyVolumes.empty() || path.empty()) return false;
  char letter = path[0];
  if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 32);
  return readyVolumes.find(letter) != std::string::npos;
}

}  // namespace kvt
