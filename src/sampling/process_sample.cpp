#include "sampling/process_sample.h"

namespace kvt {

bool ReadProcessSample(Os& os, const TOsVersionInfo& version, TProcessSample& sample) {
  uint64_t count = 0, frequency = 0;
  if (!os.QueryPerformanceFrequency(&frequency) || !os.QueryPerformanceCounter(&count))
    return false;
  // In two parts, so that a counter of many days at a high frequency cannot
  // overflow the product.
  sample.Ticks = count / frequency * 10000000 + count % frequency * 10000000 / frequency;
  sample.SystemTime = os.GetSystemTimeAsFileTime();
  return ReadProcessInformation(os, version, sample.Processes);
}

}  // namespace kvt
