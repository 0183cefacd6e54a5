#pragma once
#include "os/os.h"

namespace kvt {

// GetVersionExA with the record's size set; all zero but the size when it fails.
TOsVersionInfo ReadVersionRecord(Os& os);

// Version Major.Minor or a later one.
bool VersionAtLeast(const TOsVersionInfo& version, uint32_t major, uint32_t minor);

}  // namespace kvt
