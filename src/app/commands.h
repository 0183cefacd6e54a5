#pragma once
// The command switches, each writing its block to standard output.
#include <cstdint>
#include <string>

namespace kvt {

class TConsoleOutput;
class TqxProcessList;
struct TFindResult;

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
// The signature of each selected process's executable, and with Modules of
// each of their modules; with UnsignedOnly only those not signed.
void RunVerifyCommand(TqxProcessList& list, bool modules, bool unsignedOnly, TConsoleOutput& out);
// Spared (a process id, or 0 for none) is part of this run: it is listed but
// left running.
void RunKillCommand(TqxProcessList& list, const TSelector& selector, uint32_t spared,
                    TConsoleOutput& out);
// For each selected process: its process line, then its modules as loaded now.
void RunModulesCommand(TqxProcessList& list, TConsoleOutput& out);
// For each selected process: its process line, then its handles in the system table now.
void RunHandlesCommand(TqxProcessList& list, TConsoleOutput& out);
// The handles and modules of the selected processes whose names match
// Pattern: a title, one row per hit, and a line with their number; then how
// many processes could not be searched, when any.
void RunFindCommand(TqxProcessList& list, const std::string& pattern, TConsoleOutput& out);
// The line that tells how many processes Found could not search.
std::string UnsearchedLine(const TFindResult& found);

}  // namespace kvt
