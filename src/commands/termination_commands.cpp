// The commands that terminate processes: each names its targets, spares
// what belongs to this run, and reports each process it tried.
#include <algorithm>

#include "app/console_output.h"
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/selection.h"
#include "os/os.h"
#include "processes/process_list.h"
#include "processes/termination.h"
#include "processes/tree_order.h"
#include "support/format.h"

namespace kvt {
namespace {

// What a termination works on: the selection the selector made, whether
// the user allowed it to take every process, and the processes it spares.
struct TTermination {
  TSelector Selector;
  bool All = false;
  std::vector<TSparedProcess> Spared;
};

// A termination must name its targets: without a selector, or with one that
// names nothing, every process would be selected, this program included; a
// pattern that takes every other process is what a script's empty variable
// gives ("$NAME*") far more often than what a user means.
std::string TerminationRefusal(const char* command, const TqxProcessList& list,
                               const TTermination& termination) {
  const TSelector& selector = termination.Selector;
  if (selector.NamesNothing())
    return Format("%s needs a process id or a file name; nothing was terminated.", command);
  if (selector.IsProcessId || termination.All) return std::string();
  const uint32_t own = list.ProcessContext().Sys.GetCurrentProcessId();
  int others = 0;
  int selectedOthers = 0;
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).ProcessID != own) ++others;
  for (const TqxProcessItem* item : list.SelectedItems())
    if (item->ProcessID != own) ++selectedOthers;
  if (others < 2 || selectedOthers < others) return std::string();
  return Format("%s \"%s\" selects every process: give /all as well to terminate them all; "
                "nothing was terminated.",
                command, selector.Text.c_str());
}

const TSparedProcess* SparedFor(const std::vector<TSparedProcess>& spared,
                                const TqxProcessItem& item) {
  for (const TSparedProcess& process : spared)
    if (process.ProcessId != 0 && process.ProcessId == item.ProcessID) return &process;
  return nullptr;
}

const char* KillResultLine(TKillResult result) {
  switch (result) {
    case krTerminated:
      return "Terminated.";
    case krIdReused:
      return "Not terminated: the process ended and its id was given to another.";
    case krFailed:
      break;
  }
  return "Error terminating process!";
}

// The report of a termination: how many processes it tries, then each
// process's line and what became of it. This program, unless spared, comes
// last, so that ending itself leaves no other target running, and it ends
// with the exit code the others earned.
int TerminateEach(TqxProcessList& list, std::vector<TqxProcessItem*> items,
                  const std::vector<TSparedProcess>& spared, TConsoleOutput& out) {
  const uint32_t own = list.ProcessContext().Sys.GetCurrentProcessId();
  std::stable_partition(items.begin(), items.end(), [own, &spared](const TqxProcessItem* item) {
    return item->ProcessID != own || SparedFor(spared, *item) != nullptr;
  });
  out.Line(Format("%d matches found:", static_cast<int32_t>(items.size())));
  if (!items.empty()) out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  int exitCode = kExitDone;
  for (TqxProcessItem* item : items) {
    out.Line(item->FormatLine(kProcessTemplate));
    if (const TSparedProcess* kept = SparedFor(spared, *item)) {
      out.Line(kept->Reason);
      continue;
    }
    // The item may be this program itself: everything so far must be out first.
    out.Flush();
    const TKillResult result = KillProcess(*item, static_cast<uint32_t>(exitCode));
    if (result == krFailed) exitCode = WorseExitCode(exitCode, kExitChangeFailed);
    out.Line(KillResultLine(result));
  }
  return exitCode;
}

// The program that handed this run on waits for it to end; it is not to be
// terminated as if it were any other process.
TSparedProcess ProgramWaitingForThisRun(const TqxProcessList& list) {
  return {WaitingProgramId(list), kSparedWaitingLine};
}

// Writes the refusal, when there is one, on standard error.
bool Refused(const char* command, const TqxProcessList& list, const TTermination& termination) {
  const std::string refusal = TerminationRefusal(command, list, termination);
  if (refusal.empty()) return false;
  WriteErrorLine(list.ProcessContext().Sys, refusal);
  return true;
}

}  // namespace

int RunKillCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  // This program, when among the targets, is ended last, as asked.
  const TTermination termination = {run.Parameters.Selector, run.Parameters.All,
                                    {ProgramWaitingForThisRun(list)}};
  if (Refused("/kill", list, termination)) return kExitRefused;
  const TSelector& selector = termination.Selector;
  if (selector.IsProcessId)
    out.Line(Format("Trying to kill process with PID %d...", selector.ProcessId));
  else
    out.Line(Format("Trying to kill processes with filename \"%s\"...", selector.Text.c_str()));
  return TerminateEach(list, list.SelectedItems(), termination.Spared, out);
}

int RunKillTreeCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  // A tree is only where this program stands, not something it ends.
  const TSparedProcess itself = {list.ProcessContext().Sys.GetCurrentProcessId(),
                                 kSparedItselfLine};
  const TTermination termination = {run.Parameters.Selector, run.Parameters.All,
                                    {itself, ProgramWaitingForThisRun(list)}};
  if (Refused("/killtree", list, termination)) return kExitRefused;
  const TSelector& selector = termination.Selector;
  if (selector.IsProcessId)
    out.Line(Format("Trying to kill process with PID %d and its descendants...",
                    selector.ProcessId));
  else
    out.Line(Format("Trying to kill processes with filename \"%s\" and their descendants...",
                    selector.Text.c_str()));
  std::vector<TqxProcessItem*> items;
  for (const TTreeItem& line : SelectedTrees(list, true)) items.push_back(line.Item);
  return TerminateEach(list, items, termination.Spared, out);
}

}  // namespace kvt
