#include "sampling/sample_delta.h"

#include <algorithm>
#include <map>
#include <utility>

namespace kvt {
namespace {

using TIdentity = std::pair<uint32_t, uint64_t>;  // id and start time

TIdentity IdentityOf(const TProcessInformationEntry& process) {
  return {process.ProcessId, process.CreateTime};
}

uint64_t Gained(uint64_t before, uint64_t after) { return after > before ? after - before : 0; }

uint64_t PerSecond(uint64_t amount, uint64_t elapsed) {
  return elapsed == 0 ? 0 : static_cast<uint64_t>(static_cast<double>(amount) * 1e7 / elapsed);
}

}  // namespace

TSampleDelta SampleDelta(const TProcessSample& before, const TProcessSample& after,
                         uint32_t processors) {
  TSampleDelta delta;
  delta.Elapsed = Gained(before.Ticks, after.Ticks);
  const double capacity = static_cast<double>(delta.Elapsed) * std::max<uint32_t>(processors, 1);
  std::map<TIdentity, const TProcessInformationEntry*> earlier;
  for (const TProcessInformationEntry& process : before.Processes)
    earlier.emplace(IdentityOf(process), &process);
  std::map<TIdentity, bool> seen;
  double busy = 0;
  for (const TProcessInformationEntry& process : after.Processes) {
    const auto found = earlier.find(IdentityOf(process));
    const TProcessInformationEntry none;
    const TProcessInformationEntry& then = found == earlier.end() ? none : *found->second;
    if (found == earlier.end())
      delta.Started.push_back(&process);
    else
      seen[found->first] = true;
    if (process.ProcessId == 0) continue;  // the idle process's time is no work
    TProcessRate rate;
    rate.Process = &process;
    rate.Started = found == earlier.end();
    const uint64_t cpu = Gained(then.CpuTime, process.CpuTime);
    rate.CpuPercent = capacity > 0 ? 100.0 * static_cast<double>(cpu) / capacity : 0;
    rate.ReadPerSecond = PerSecond(Gained(then.ReadBytes, process.ReadBytes), delta.Elapsed);
    rate.WritePerSecond = PerSecond(Gained(then.WriteBytes, process.WriteBytes), delta.Elapsed);
    busy += rate.CpuPercent;
    delta.Rates.push_back(rate);
  }
  for (const TProcessInformationEntry& process : before.Processes)
    if (seen.count(IdentityOf(process)) == 0) delta.Ended.push_back(&process);
  delta.BusyPercent = std::min(busy, 100.0);
  return delta;
}

void SortByCpu(std::vector<TProcessRate>& rates) {
  std::stable_sort(rates.begin(), rates.end(), [](const TProcessRate& a, const TProcessRate& b) {
    if (a.CpuPercent != b.CpuPercent) return a.CpuPercent > b.CpuPercent;
    return a.Process->ProcessId < b.Process->ProcessId;
  });
}

}  // namespace kvt
