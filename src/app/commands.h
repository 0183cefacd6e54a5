#pragma once
// The command switches, each writing its block to standard output.
#include <cstdint>
#include <string>

namespace kvt {

class TConsoleOutput;
class TqxProcessList;

// Parameter 2 as the user gave it: a process id (a non-zero number) or a
// file-name pattern; Given is false when there is no parameter 2.
struct TSelector {
  bool Given = false;
  bool IsProcessId = false;
  int32_t ProcessId = 0;
  std::string Text;
};
TSelector ReadSelector(int parameterCount, const std::string& parameter2);

void RunListCommand(TqxProcessList& list, TConsoleOutput& out);
// For each selected process: its process line, then a line for each fact of
// how and by whom it runs.
void RunDetailsCommand(TqxProcessList& list, TConsoleOutput& out);
// Spared (a process id, or 0 for none) is part of this run: it is listed but
// left running.
void RunKillCommand(TqxProcessList& list, const TSelector& selector, uint32_t spared,
                    TConsoleOutput& out);
// For each selected process: its process line, then its modules as loaded now.
void RunModulesCommand(TqxProcessList& list, TConsoleOutput& out);
// For each selected process: its process line, then its handles in the system table now.
void RunHandlesCommand(TqxProcessList& list, TConsoleOutput& out);

}  // namespace kvt
