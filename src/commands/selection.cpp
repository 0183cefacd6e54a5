#include "commands/selection.h"

#include "app/handoff.h"
#include "os/os.h"
#include "processes/process_list.h"

namespace kvt {

void SelectProcesses(TqxProcessList& list, const TSelector& selector) {
  if (!selector.Given)
    list.SelectAll();
  else if (selector.IsProcessId)
    list.SelectByProcessID(static_cast<uint32_t>(selector.ProcessId));
  else
    list.SelectByFilename(selector.Text);
}

uint32_t WaitingProgramId(const TqxProcessList& list) {
  Os& os = list.ProcessContext().Sys;
  const uint32_t own = os.GetCurrentProcessId();
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).ProcessID == own) return HandingOnProgram(os, list.Items(i).ParentID);
  return 0;
}

std::vector<uint32_t> ThisRunsProcessIds(const TqxProcessList& list) {
  std::vector<uint32_t> ids = {list.ProcessContext().Sys.GetCurrentProcessId()};
  if (const uint32_t waiting = WaitingProgramId(list)) ids.push_back(waiting);
  return ids;
}

}  // namespace kvt
