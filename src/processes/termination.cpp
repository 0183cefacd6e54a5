#include "processes/termination.h"

#include "os/os.h"
#include "processes/process_list.h"

namespace kvt {

bool KillProcess(TqxProcessItem& item) {
  // Id 0 stands for the idle process or for every process folded into "[System]".
  if (item.ProcessID == 0) return false;
  Os& os = item.Owner().Context().Sys;
  const OsHandle process = os.OpenProcess(kProcessTerminate, false, item.ProcessID);
  if (process == 0) return false;
  const bool terminated = os.TerminateProcess(process, 0);
  os.CloseHandle(process);
  return terminated;
}

}  // namespace kvt
