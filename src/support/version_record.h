#pragma once
#include "os/os.h"

namespace kvt {

// GetVersionExA with the record's size set; all zero but the size when it fails.
TOsVersionInfo ReadVersionRecord(Os& os);

}  // namespace kvt
