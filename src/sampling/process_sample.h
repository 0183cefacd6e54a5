#pragma once
// One reading of every process's times, memory and I/O from the process
// information, with the moment it was taken.
#include <cstdint>
#include <vector>

#include "native/process_information.h"
#include "os/os.h"

namespace kvt {

struct TProcessSample {
  uint64_t Ticks = 0;       // the performance counter's moment, in 100 ns units
  uint64_t SystemTime = 0;  // the same moment as a FILETIME (UTC)
  std::vector<TProcessInformationEntry> Processes;
};

// False when the process information cannot be read, or the performance
// counter does not count.
bool ReadProcessSample(Os& os, const TOsVersionInfo& version, TProcessSample& sample);

}  // namespace kvt
