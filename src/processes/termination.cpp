#include "processes/termination.h"

#include <unordered_map>
#include <vector>

#include "native/process_information.h"
#include "os/os.h"
#include "os/scoped_handle.h"
#include "processes/debug_privilege.h"
#include "processes/process_list.h"
#include "support/version_record.h"

namespace kvt {
namespace {

// The right that reads a process's times: the limited one from Windows 6.0
// on, which the system grants nearly everywhere termination is granted.
uint32_t TimesRight(const TOsVersionInfo& version) {
  return VersionAtLeast(version, 6, 0) ? kProcessQueryLimitedInformation
                                       : kProcessQueryInformation;
}

}  // namespace

void RecordStartTimes(TqxProcessList& list) {
  const auto* information = list.ProcessContext().ProcessInformation();
  if (information == nullptr) return;
  std::unordered_map<uint32_t, uint64_t> startById;
  for (const TProcessInformationEntry& process : *information)
    startById.emplace(process.ProcessId, process.CreateTime);
  for (int i = 0; i < list.Count(); ++i) {
    TqxProcessItem& item = list.Items(i);
    const auto start = startById.find(item.ProcessID);
    if (start != startById.end()) item.StartTime = start->second;
  }
}

TKillResult KillProcess(TqxProcessItem& item, uint32_t exitCode) {
  // Id 0 stands for the idle process or for every process folded into "[System]".
  if (item.ProcessID == 0) return krFailed;
  TProcessContext& context = item.Owner().ProcessContext();
  Os& os = context.Sys;
  // Only with the rights the program has without the debug privilege; if
  // the token would not switch it off, nothing is terminated.
  const TWithoutDebugPrivilege withoutPrivilege(context.DebugPrivilege);
  if (context.DebugPrivilege.Enabled()) return krFailed;
  bool checkable = true;
  OsHandle opened =
      os.OpenProcess(kProcessTerminate | TimesRight(context.Native.Version), false, item.ProcessID);
  if (opened == 0) {
    // A process may grant termination and refuse the query; it is then
    // ended unchecked, as before there was a check.
    checkable = false;
    opened = os.OpenProcess(kProcessTerminate, false, item.ProcessID);
  }
  const TScopedHandle process(os, opened);
  if (process.Get() == 0) return krFailed;
  uint64_t started = 0, ended = 0, kernel = 0, user = 0;
  if (checkable && item.StartTime != 0 &&
      os.GetProcessTimes(process.Get(), &started, &ended, &kernel, &user) &&
      started != item.StartTime)
    return krIdReused;
  return os.TerminateProcess(process.Get(), exitCode) ? krTerminated : krFailed;
}

}  // namespace kvt
