#pragma once
// The command switches, each writing its block to standard output.
#include <cstdint>
#include <string>
#include <vector>

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

// A process that a termination lists but leaves running, as part of this run.
struct TSparedProcess {
  uint32_t ProcessId = 0;
  const char* Reason = nullptr;  // the line that says so
};

void RunListCommand(TqxProcessList& list, TConsoleOutput& out);
// The signature of each selected process's executable, and with Modules of
// each of their modules; with UnsignedOnly only those not signed.
void RunVerifyCommand(TqxProcessList& list, bool modules, bool unsignedOnly, TConsoleOutput& out);
// For each selected process: its process line, then a line for each fact of
// how and by whom it runs.
void RunDetailsCommand(TqxProcessList& list, TConsoleOutput& out);
// The selected processes with their descendants, each indented under its parent.
void RunTreeCommand(TqxProcessList& list, TConsoleOutput& out);
void RunKillCommand(TqxProcessList& list, const TSelector& selector,
                    const std::vector<TSparedProcess>& spared, TConsoleOutput& out);
// Terminates the selected processes and all their descendants, each process
// after its descendants.
void RunKillTreeCommand(TqxProcessList& list, const TSelector& selector,
                        const std::vector<TSparedProcess>& spared, TConsoleOutput& out);
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
