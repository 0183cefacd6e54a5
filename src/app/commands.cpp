#include "app/commands.h"

#include <algorithm>

#include "app/command_table.h"
#include "app/console_output.h"
#include "app/handoff.h"
#include "app/texts.h"
#include "os/os.h"
#include "processes/find.h"
#include "processes/process_list.h"
#include "processes/signature_rows.h"
#include "processes/termination.h"
#include "processes/tree_order.h"
#include "support/format.h"
#include "tables/detail_table.h"
#include "tables/find_table.h"
#include "tables/text_views.h"
#include "tables/tree_table.h"

namespace kvt {
namespace {

// The modules and handles commands begin each process's block with its line.
void WriteProcessHead(TqxProcessItem& item, TConsoleOutput& out) {
  out.Line("Process:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  out.Line(item.FormatLine(kProcessTemplate));
}

// A process's table under its title, between empty lines; Note, when
// given, follows the rows.
template <typename TItemClass, typename TList>
void WriteTable(const char* title, const char* tmpl, TList& items, TConsoleOutput& out,
                const char* note = nullptr) {
  out.Line("");
  out.Line(title);
  out.Line(TItemClass::FormatHeader(tmpl));
  for (int i = 0; i < items.Count(); ++i) out.Line(items.Items(i).FormatLine(tmpl));
  if (note != nullptr) out.Line(note);
  out.Line("");
}

// In place of a module table that could not be read: an empty one would read
// as a process without modules.
void WriteModulesDenied(TConsoleOutput& out) {
  out.Line("");
  out.Line("Modules:");
  out.Line(kModulesDeniedLine);
  out.Line("");
}

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
  Os& os = list.ProcessContext().Sys;
  const uint32_t own = os.GetCurrentProcessId();
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).ProcessID == own)
      return {HandingOnProgram(os, list.Items(i).ParentID), kSparedWaitingLine};
  return {0, kSparedWaitingLine};
}

// Writes the refusal, when there is one, on standard error.
bool Refused(const char* command, const TqxProcessList& list, const TTermination& termination) {
  const std::string refusal = TerminationRefusal(command, list, termination);
  if (refusal.empty()) return false;
  WriteErrorLine(list.ProcessContext().Sys, refusal);
  return true;
}

}  // namespace

int WorseExitCode(int a, int b) {
  // From the worst: the first of these that either code is wins.
  for (const int code : {kExitRefused, kExitChangeFailed})
    if (a == code || b == code) return code;
  return kExitDone;
}

int RunListCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  out.Line("Processes:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  for (int i = 0; i < list.SelectedCount(); ++i)
    out.Line(list.Selected(i).FormatLine(kProcessTemplate));
  return kExitDone;
}

int RunVerifyCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  const bool modules = run.Tables.Modules;
  const bool unsignedOnly = run.Tables.UnsignedOnly;

  out.Line("Signatures:");
  out.Line(TSignatureRow::FormatHeader(kSignatureTemplate));
  for (TSignatureRow& row : ReadSignatureRows(list, modules, unsignedOnly))
    out.Line(row.FormatLine(kSignatureTemplate));
  return kExitDone;
}

int RunDetailsCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  list.ReadDetails(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    WriteProcessHead(*item, out);
    for (const std::string& line : FactLines(DetailTable(), *item)) out.Line(line);
    out.Line("");
  }
  return kExitDone;
}

int RunTreeCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  const std::vector<TTreeItem> tree = SelectedTrees(list, false);
  std::vector<TqxProcessItem*> items;
  for (const TTreeItem& line : tree) items.push_back(line.Item);
  // The command lines come with the other details, for the processes shown only.
  list.ReadDetails(items);
  out.Line("Process tree:");
  for (const TTreeItem& line : tree) out.Line(IndentedLine(TreeTable(), *line.Item, line.Depth));
  return kExitDone;
}

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

int RunModulesCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  for (int i = 0; i < list.SelectedCount(); ++i) {
    TqxProcessItem& item = list.Selected(i);
    WriteProcessHead(item, out);
    item.FillModuleList();
    if (item.ModuleList.ReadDenied)
      WriteModulesDenied(out);
    else
      WriteTable<TqxModuleItem>("Modules:", kModuleTemplate, item.ModuleList, out);
  }
  return kExitDone;
}

int RunHandlesCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  // One read of the system table serves every selected process.
  list.FillHandleLists(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    WriteProcessHead(*item, out);
    WriteTable<TqxHandleItem>("Handles:", kHandleTemplate, item->HandleList, out,
                              item->HandleList.NamesDenied ? kHandleNamesDeniedLine : nullptr);
  }
  return kExitDone;
}

int RunFindCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  const std::string& pattern = run.Parameters.FindPattern;

  TFindResult found = FindByName(list, list.SelectedItems(), pattern);
  const TTable<TqxFindItem>& table = FindTable();
  out.Line(Format("Handles and modules whose names match \"%s\":", pattern.c_str()));
  if (found.Hits.empty()) {
    out.Line("No handle or module matches.");
  } else {
    out.Line(AlignedHeader(table));
    for (TqxFindItem& hit : found.Hits) out.Line(AlignedLine(table, hit));
    out.Line(Format(found.Hits.size() == 1 ? "%d match found." : "%d matches found.",
                    static_cast<int>(found.Hits.size())));
  }
  if (found.UnsearchedCount > 0) out.Line(UnsearchedLine(found));
  out.Line("");
  return kExitDone;
}

std::string UnsearchedLine(const TFindResult& found) {
  // Opening a process fails for want of rights, and for one that has just ended.
  return Format(found.UnsearchedCount == 1
                    ? "%d process could not be searched: its handles or modules could not be read."
                    : "%d processes could not be searched: their handles or modules could not be "
                      "read.",
                found.UnsearchedCount);
}

int RunLicenseCommand(TCommandRun& run) {
  for (const char* line : kLicenseLines) run.Out.Line(line);
  return kExitDone;
}

}  // namespace kvt
