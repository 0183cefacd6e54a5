#pragma once
// The command switches, each writing its block to standard output.
#include <cstdint>
#include <string>
#include <vector>

#include "app/run_parameters.h"

namespace kvt {

class TConsoleOutput;
class TqxProcessList;
struct TFindResult;

// The exit codes of a run. Where several apply the highest wins, in the
// order refused, then change failed, then done.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;       // an error, or a request refused: nothing was changed
constexpr int kExitChangeFailed = 2;  // a process could not be changed as asked
int WorseExitCode(int a, int b);

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
// What a termination works on: the selection the selector made, whether
// the user allowed it to take every process, and the processes it spares.
struct TTermination {
  TSelector Selector;
  bool All = false;
  std::vector<TSparedProcess> Spared;
};
// Terminates the selected processes, this program last when it is among
// them; the exit code the run asks for. Refuses, on standard error, a
// termination that names no process, or every one without All.
int RunKillCommand(TqxProcessList& list, const TTermination& termination, TConsoleOutput& out);
// Terminates the selected processes and all their descendants, each process
// after its descendants.
int RunKillTreeCommand(TqxProcessList& list, const TTermination& termination,
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
