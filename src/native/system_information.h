#pragma once
// A reply of NtQuerySystemInformation that the kernel sizes only when asked:
// the handle table, the process information.
#include <cstdint>
#include <vector>

#include "os/os.h"

namespace kvt {

// Reads the reply of InfoClass into Reply, growing the buffer as the kernel
// asks; false when it cannot be read or would be larger than the cap.
bool ReadSystemInformation(Os& os, uint32_t infoClass, std::vector<uint8_t>& reply);

}  // namespace kvt
