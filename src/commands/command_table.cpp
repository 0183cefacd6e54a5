#include "commands/command_table.h"

#include <iterator>

#include "commands/commands.h"
#include "app/texts.h"

namespace kvt {
namespace {

using P = TRunParameters;
using F = TFormTables;

}  // namespace

const std::vector<TSwitch>& Switches() {
  // Name, use, usage line, form table, noted in, its word, implies, changes
  // processes, runs alone, text command, form writer.
  static const std::vector<TSwitch> kSwitches = {
      {"?", suUsage, nullptr, nullptr, nullptr, nullptr, nullptr, false, false, nullptr, nullptr},
      {"help", suUsage, nullptr, nullptr, nullptr, nullptr, nullptr, false, false, nullptr, nullptr},
      {"list", suCommand, "  /list [pid or filename]     Lists running processes",
       &F::Processes, nullptr, nullptr, nullptr, false, false, RunListCommand, nullptr},
      {"details", suCommand, "  /details [pid or filename]  Shows how and by whom each process runs",
       &F::Details, nullptr, nullptr, nullptr, false, false, RunDetailsCommand, nullptr},
      {"tree", suCommand,
       "  /tree [pid or filename]     Lists processes under the processes that started them",
       &F::Tree, nullptr, nullptr, nullptr, false, false, RunTreeCommand, nullptr},
      {"top", suCommand,
       "  /top [pid or filename]      Shows which processes use the CPU, memory and I/O now",
       nullptr, nullptr, nullptr, nullptr, false, true, RunTopCommand, nullptr},
      {"watch", suCommand,
       "  /watch [pid or filename]    Reports processes as they start and end, until Ctrl+C",
       nullptr, nullptr, nullptr, nullptr, false, true, RunWatchCommand, nullptr},
      {"verify", suCommand,
       "  /verify [pid or filename]   Checks the signature of each executable (no revocation "
       "check)",
       &F::Signatures, nullptr, nullptr, nullptr, false, false, RunVerifyCommand, nullptr},
      {"kill", suCommand, "  /kill <pid or filename>     Terminates running processes", nullptr,
       nullptr, nullptr, nullptr, true, false, RunKillCommand, nullptr},
      {"killtree", suCommand,
       "  /killtree <pid or filename> Terminates processes and every process they started",
       nullptr, nullptr, nullptr, nullptr, true, false, RunKillTreeCommand, nullptr},
      {"modules", suCommand,
       "  /modules <pid or filename>  Lists all modules of the specified process", &F::Modules,
       nullptr, nullptr, nullptr, false, false, RunModulesCommand, nullptr},
      {"handles", suCommand,
       "  /handles <pid or filename>  Lists all handles of the specified process", &F::Handles,
       nullptr, nullptr, nullptr, false, false, RunHandlesCommand, nullptr},
      {"net", suCommand, "  /net [pid or filename]      Lists the TCP and UDP endpoints of processes",
       &F::Endpoints, nullptr, nullptr, nullptr, false, false, RunNetCommand, nullptr},
      {"find", suCommand,
       "  /find <pattern> [pid or filename]  Lists the handles and modules whose names contain "
       "pattern",
       &F::Find, &P::Find, &P::FindPattern, nullptr, false, false, RunFindCommand, nullptr},
      {"compare", suCommand,
       "  /compare <file>             Lists what changed since /xml or /json wrote that file",
       nullptr, &P::Compare, &P::CompareFile, nullptr, false, true, RunCompareCommand, nullptr},
      {"license", suCommand, nullptr, nullptr, nullptr, nullptr, nullptr, false, false, RunLicenseCommand,
       nullptr},
      {"csv", suModifier, "  /csv                        Writes the tables as comma-separated values",
       nullptr, &P::Csv, nullptr, nullptr, false, false, nullptr, WriteCsvTables},
      {"xml", suModifier, "  /xml                        Writes the tables as one XML document",
       nullptr, &P::Xml, nullptr, nullptr, false, false, nullptr, WriteXmlDocument},
      {"json", suModifier, "  /json                       Writes the tables as one JSON document",
       nullptr, &P::Json, nullptr, nullptr, false, false, nullptr, WriteJsonDocument},
      {"unsigned", suModifier,
       "  /unsigned                   Shows only files that are not signed; implies /verify",
       nullptr, &P::UnsignedOnly, nullptr, "verify", false, false, nullptr, nullptr},
      {"listening", suModifier,
       "  /listening                  Shows only listening TCP and all UDP endpoints; implies /net",
       nullptr, &P::ListeningOnly, nullptr, "net", false, false, nullptr, nullptr},
      {"port", suModifier,
       "  /port <number>              Shows only endpoints on that local or remote port; implies "
       "/net",
       nullptr, &P::PortGiven, &P::PortText, "net", false, false, nullptr, nullptr},
      {"interval", suModifier,
       "  /interval <milliseconds>    Sets how often /top and /watch read: 100 to 60000",
       nullptr, &P::IntervalGiven, &P::IntervalText, nullptr, false, false, nullptr, nullptr},
      {"for", suModifier,
       "  /for <seconds>              Lets /top and /watch run for that long",
       nullptr, &P::ForGiven, &P::ForText, nullptr, false, false, nullptr, nullptr},
      {"all", suModifier,
       "  /all                        Lets /kill and /killtree end every process a pattern selects",
       nullptr, &P::All, nullptr, nullptr, false, false, nullptr, nullptr},
  };
  return kSwitches;
}

int WorseExitCode(int a, int b) {
  // From the worst: the first of these that either code is wins.
  for (const int code : {kExitRefused, kExitChangeFailed, kExitDiffers})
    if (a == code || b == code) return code;
  return kExitDone;
}

std::vector<const char*> UsageLines() {
  std::vector<const char*> lines(std::begin(kUsageHead), std::end(kUsageHead));
  for (const TSwitch& entry : Switches())
    if (entry.UsageLine != nullptr) lines.push_back(entry.UsageLine);
  lines.insert(lines.end(), std::begin(kUsageTail), std::end(kUsageTail));
  return lines;
}

}  // namespace kvt
