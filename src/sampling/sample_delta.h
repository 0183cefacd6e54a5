#pragma once
// What changed between two samples: each process's CPU share and I/O rates,
// the processes that started and those that ended. Pure arithmetic over
// parsed samples: a process is the same in both only when its id and its
// start time are.
#include <cstdint>
#include <vector>

#include "sampling/process_sample.h"

namespace kvt {

struct TProcessRate {
  const TProcessInformationEntry* Process = nullptr;  // in the later sample
  double CpuPercent = 0;  // of the whole machine: every processor busy is 100
  uint64_t ReadPerSecond = 0, WritePerSecond = 0;
  bool Started = false;   // not in the earlier sample: counted from its start
};

struct TSampleDelta {
  // Every process of the later sample but the idle process (id 0), in the
  // sample's order.
  std::vector<TProcessRate> Rates;
  std::vector<const TProcessInformationEntry*> Started;  // in the later sample
  std::vector<const TProcessInformationEntry*> Ended;    // in the earlier sample
  double BusyPercent = 0;  // the machine's, every process's share together
  uint64_t Elapsed = 0;    // 100 ns units between the samples
};

// Processors: the machine's count (at least 1). A counter that went
// backwards gains nothing.
TSampleDelta SampleDelta(const TProcessSample& before, const TProcessSample& after,
                         uint32_t processors);

// Rates sorted by CPU share, highest first; equal shares by process id.
void SortByCpu(std::vector<TProcessRate>& rates);

}  // namespace kvt
