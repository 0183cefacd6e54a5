#pragma once
// Which drive letters a record may touch at all: those whose volumes answered
// when the run first asked. Probing a floppy drive without a disk is slow and
// noisy, so the first letter probed is C unless a tweak in the registry says
// otherwise.
#include <cstdint>
#include <string>

namespace kvt {

class Os;

// Reads the tweak Name, a REG_DWORD under HKEY_LOCAL_MACHINE, from the
// program's own tweak key, else from the common one; its low byte goes to
// Value. False, and Value untouched, when neither key holds such a value.
bool ReadTweak(Os& os, const std::string& name, uint8_t& value);

// The letters, A to Z in ascending order, of the drives whose volume answers,
// from the first letter the tweak "FloppyVolumeInformation" names (C without it).
std::string ProbeReadyVolumes(Os& os);

// Whether the first character of Path, case ignored, is one of ReadyVolumes.
bool VolumeReady(const std::string& readyVolumes, const std::string& path);

}  // namespace kvt
