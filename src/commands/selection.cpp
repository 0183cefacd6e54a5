#include "commands/selection.h"

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

}  // namespace kvt
