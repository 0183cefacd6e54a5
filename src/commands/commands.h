#pragma once
// The command switches, each writing its block to standard output.
#include <cstdint>
#include <string>
#include <vector>

#include "app/run_parameters.h"
#include "processes/endpoint_rows.h"

namespace kvt {

struct TCommandRun;
struct TFindResult;

// The exit codes of a run. Where several apply the highest wins, in the
// order refused, then change failed, then done.
constexpr int kExitDone = 0;
constexpr int kExitRefused = 1;       // an error, or a request refused: nothing was changed
constexpr int kExitChangeFailed = 2;  // a process could not be changed as asked
constexpr int kExitDiffers = 3;       // a comparison found changes
int WorseExitCode(int a, int b);

// A process that a termination lists but leaves running, as part of this run.
struct TSparedProcess {
  uint32_t ProcessId = 0;
  const char* Reason = nullptr;  // the line that says so
};

// The text of each command, over the selected processes of Run's list; the
// exit code each asks for.
int RunListCommand(TCommandRun& run);
// For each selected process: its process line, then a line for each fact of
// how and by whom it runs.
int RunDetailsCommand(TCommandRun& run);
// The selected processes with their descendants, each indented under its parent.
int RunTreeCommand(TCommandRun& run);
// The selected processes by their share of the CPU over /interval, with
// their memory and I/O; with /for a frame per interval until it has passed
// or Ctrl+C ends it. In the form the parameters ask for, if any.
int RunTopCommand(TCommandRun& run);
// The processes that start and end, among those the selector names, a line
// each as it is seen, every /interval until Ctrl+C or /for's end; those
// running at the start are not told. In the form the parameters ask for.
int RunWatchCommand(TCommandRun& run);
// The signature of each selected process's executable, and with /modules of
// each of their modules; with /unsigned only those not signed.
int RunVerifyCommand(TCommandRun& run);
// Terminates the selected processes, this program last when it is among
// them. Refuses, on standard error, a termination that names no process, or
// every one without /all.
int RunKillCommand(TCommandRun& run);
// Terminates the selected processes and all their descendants, each process
// after its descendants; this program and the one that handed the run on
// are spared.
int RunKillTreeCommand(TCommandRun& run);
// For each selected process: its process line, then its modules as loaded now.
int RunModulesCommand(TCommandRun& run);
// For each selected process: its process line, then its handles in the system table now.
int RunHandlesCommand(TCommandRun& run);
// For each selected process that has endpoints: its process line, then its
// TCP and UDP endpoints; without a selector, those of no listed process after
// them. /listening and /port keep some of them.
int RunNetCommand(TCommandRun& run);
// What /listening and /port keep.
TEndpointFilter EndpointFilterOf(const TRunParameters& parameters);
// The handles and modules of the selected processes whose names match the
// pattern of /find: a title, one row per hit, and a line with their number;
// then how many processes could not be searched, when any.
int RunFindCommand(TCommandRun& run);
// What differs between the system now and the document the word after
// /compare names, read again as that document's run read it: processes
// started and ended, changed files, modules loaded and gone, listening
// endpoints opened and closed. In the form the parameters ask for.
int RunCompareCommand(TCommandRun& run);
int RunLicenseCommand(TCommandRun& run);
// The line that tells how many processes Found could not search.
std::string UnsearchedLine(const TFindResult& found);

}  // namespace kvt
