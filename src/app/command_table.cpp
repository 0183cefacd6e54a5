#include "app/command_table.h"

#include "app/commands.h"
#include "app/console_output.h"
#include "app/handoff.h"
#include "app/texts.h"
#include "os/os.h"
#include "processes/process_list.h"

namespace kvt {
namespace {

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

int List(TCommandRun& run) {
  RunListCommand(run.List, run.Out);
  return kExitDone;
}

int Details(TCommandRun& run) {
  RunDetailsCommand(run.List, run.Out);
  return kExitDone;
}

int Tree(TCommandRun& run) {
  RunTreeCommand(run.List, run.Out);
  return kExitDone;
}

int Verify(TCommandRun& run) {
  RunVerifyCommand(run.List, run.Tables.Modules, run.Tables.UnsignedOnly, run.Out);
  return kExitDone;
}

// /kill of this program ends it, last, as asked.
int Kill(TCommandRun& run) {
  const TRunParameters& given = run.Parameters;
  return RunKillCommand(run.List, {given.Selector, given.All, {ProgramWaitingForThisRun(run.List)}},
                        run.Out);
}

// A tree is only where this program stands, not something it ends.
int KillTree(TCommandRun& run) {
  const TRunParameters& given = run.Parameters;
  const TSparedProcess itself = {run.List.ProcessContext().Sys.GetCurrentProcessId(),
                                 kSparedItselfLine};
  return RunKillTreeCommand(
      run.List, {given.Selector, given.All, {itself, ProgramWaitingForThisRun(run.List)}},
      run.Out);
}

int Modules(TCommandRun& run) {
  RunModulesCommand(run.List, run.Out);
  return kExitDone;
}

int Handles(TCommandRun& run) {
  RunHandlesCommand(run.List, run.Out);
  return kExitDone;
}

int Find(TCommandRun& run) {
  RunFindCommand(run.List, run.Parameters.FindPattern, run.Out);
  return kExitDone;
}

int License(TCommandRun& run) {
  for (const char* line : kLicenseLines) run.Out.Line(line);
  return kExitDone;
}

using P = TRunParameters;
using F = TFormTables;

}  // namespace

const std::vector<TSwitch>& Switches() {
  // Name, use, usage line, form table, noted in, implies, changes processes,
  // text command, form writer.
  static const std::vector<TSwitch> kSwitches = {
      {"?", suUsage, nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr},
      {"help", suUsage, nullptr, nullptr, nullptr, nullptr, false, nullptr, nullptr},
      {"list", suCommand, "  /list [pid or filename]     Lists running processes",
       &F::Processes, nullptr, nullptr, false, List, nullptr},
      {"details", suCommand, "  /details [pid or filename]  Shows how and by whom each process runs",
       &F::Details, nullptr, nullptr, false, Details, nullptr},
      {"tree", suCommand,
       "  /tree [pid or filename]     Lists processes under the processes that started them",
       &F::Tree, nullptr, nullptr, false, Tree, nullptr},
      {"verify", suCommand,
       "  /verify [pid or filename]   Checks the signature of each executable (no revocation "
       "check)",
       &F::Signatures, nullptr, nullptr, false, Verify, nullptr},
      {"kill", suCommand, "  /kill <pid or filename>     Terminates running processes", nullptr,
       nullptr, nullptr, true, Kill, nullptr},
      {"killtree", suCommand,
       "  /killtree <pid or filename> Terminates processes and every process they started",
       nullptr, nullptr, nullptr, true, KillTree, nullptr},
      {"modules", suCommand,
       "  /modules <pid or filename>  Lists all modules of the specified process", &F::Modules,
       nullptr, nullptr, false, Modules, nullptr},
      {"handles", suCommand,
       "  /handles <pid or filename>  Lists all handles of the specified process", &F::Handles,
       nullptr, nullptr, false, Handles, nullptr},
      {"find", suCommandWithWord,
       "  /find <pattern> [pid or filename]  Lists the handles and modules whose names contain "
       "pattern",
       &F::Find, &P::Find, nullptr, false, Find, nullptr},
      {"license", suCommand, nullptr, nullptr, nullptr, nullptr, false, License, nullptr},
      {"csv", suModifier, "  /csv                        Writes the tables as comma-separated values",
       nullptr, &P::Csv, nullptr, false, nullptr, WriteCsvTables},
      {"xml", suModifier, "  /xml                        Writes the tables as one XML document",
       nullptr, &P::Xml, nullptr, false, nullptr, WriteXmlDocument},
      {"json", suModifier, "  /json                       Writes the tables as one JSON document",
       nullptr, &P::Json, nullptr, false, nullptr, WriteJsonDocument},
      {"unsigned", suModifier,
       "  /unsigned                   Shows only files that are not signed; implies /verify",
       nullptr, &P::UnsignedOnly, "verify", false, nullptr, nullptr},
      {"all", suModifier,
       "  /all                        Lets /kill and /killtree end every process a pattern selects",
       nullptr, &P::All, nullptr, false, nullptr, nullptr},
  };
  return kSwitches;
}

std::vector<const char*> UsageLines() {
  std::vector<const char*> lines(std::begin(kUsageHead), std::end(kUsageHead));
  for (const TSwitch& entry : Switches())
    if (entry.UsageLine != nullptr) lines.push_back(entry.UsageLine);
  lines.insert(lines.end(), std::begin(kUsageTail), std::end(kUsageTail));
  return lines;
}

}  // namespace kvt
