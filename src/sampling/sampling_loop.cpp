#include "sampling/sampling_loop.h"

#include <algorithm>
#include <utility>

namespace kvt {

uint64_t ReadsFor(uint32_t forSeconds, uint32_t intervalMs, uint64_t unbounded) {
  if (forSeconds == 0) return unbounded;
  return std::max<uint64_t>(1, uint64_t{forSeconds} * 1000 / intervalMs);
}

bool SampleRepeatedly(Os& os, const TOsVersionInfo& version, uint32_t intervalMs, uint64_t reads,
                      const TOnFirstSample& onFirst, const TOnNextSample& onNext) {
  const OsHandle stop = os.SetConsoleCtrlHandler();
  TProcessSample before;
  if (stop == 0 || !ReadProcessSample(os, version, before)) return false;
  onFirst(before);
  for (uint64_t i = 0; i < reads; ++i) {
    // Ctrl+C ends the pause, and the run with it.
    if (os.WaitForSingleObject(stop, intervalMs) != kWaitTimeout) break;
    TProcessSample after;
    if (!ReadProcessSample(os, version, after)) break;
    onNext(before, after);
    before = std::move(after);
  }
  return true;
}

}  // namespace kvt
