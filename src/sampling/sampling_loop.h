#pragma once
// Reading the process information again and again, an interval apart, until
// a count of reads is made or Ctrl+C ends the pause between two.
#include <cstdint>
#include <functional>

#include "sampling/process_sample.h"

namespace kvt {

using TOnFirstSample = std::function<void(const TProcessSample& first)>;
using TOnNextSample = std::function<void(const TProcessSample& before, const TProcessSample& after)>;

// How many reads follow the first in ForSeconds (0: Unbounded) at IntervalMs apart.
uint64_t ReadsFor(uint32_t forSeconds, uint32_t intervalMs, uint64_t unbounded);

// The first read, then up to Reads more, each after a pause of IntervalMs
// and handed to OnNext with the one before. False when the first read fails
// (the system has no process information to give) or no pause can be made.
bool SampleRepeatedly(Os& os, const TOsVersionInfo& version, uint32_t intervalMs, uint64_t reads,
                      const TOnFirstSample& onFirst, const TOnNextSample& onNext);

}  // namespace kvt
