#include "processes/termination.h"

#include "os/os.h"
#include "processes/debug_privilege.h"
#include "processes/process_list.h"

namespace kvt {

bool KillProcess(TqxProcessItem& item) {
  // Id 0 stands for the idle process or for every process folded into "[System]".
  if (item.ProcessID == 0) return false;
  TProcessContext& context = item.Owner().ProcessContext();
  Os& os = context.Sys;
  // Only with the rights the program has without the debug privilege; if
  // the token would not switch it off, nothing is terminated.
  const TWithoutDebugPrivilege withoutPrivilege(context.DebugPrivilege);
  if (context.DebugPrivilege.Enabled()) return false;
  const OsHandle process = os.OpenProcess(kProcessTerminate, false, item.ProcessID);
  if (process == 0) return false;
  const bool terminated = os.TerminateProcess(process, 0);
  os.CloseHandle(process);
  return terminated;
}

}  // namespace kvt
