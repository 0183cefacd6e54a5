#include "app/dispatcher.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/selection.h"
#include "app/console_output.h"
#include "app/handoff.h"
#include "forms/document_facts.h"
#include "forms/form_run.h"
#include "forms/output_forms.h"
#include "app/run_parameters.h"
#include "app/texts.h"
#include "inventory/column_template.h"
#include "os/os.h"
#include "processes/process_context.h"
#include "processes/process_list.h"
#include "processes/termination.h"
#include "support/errors.h"
#include "support/format.h"
#include "support/path_parts.h"

namespace kvt {
namespace {

// A machine-readable run never changes a process by surprise, and writes
// one form. Given: the names of the form switches on the command line.
std::string FormSwitchConflict(const std::vector<std::string>& given,
                               const TCommandLine& commandLine) {
  for (const TSwitch& command : Switches())
    if (command.ChangesProcesses && !given.empty() && commandLine.HasSwitch(command.Name))
      return Format("/%s cannot be combined with /csv, /xml or /json; nothing was terminated.",
                    command.Name);
  if (given.size() > 1)
    return "/" + given[0] + " and /" + given[1] + " cannot be combined; give one of them.";
  return std::string();
}

// Each command given, in the fixed order of the table.
int RunTextCommands(const TCommandLine& commandLine, TCommandRun& run) {
  int exitCode = kExitDone;
  for (const TSwitch& command : Switches())
    if (command.Run != nullptr && commandLine.HasSwitch(command.Name))
      exitCode = WorseExitCode(exitCode, command.Run(run));
  return exitCode;
}

// The forms read everything before they write: a table that cannot be read
// leaves standard output empty.
void WriteForm(TFormWriter writeForm, TqxProcessList& list, TFormTables tables,
               const TRunParameters& parameters, TConsoleOutput& out) {
  TFormRows rows;
  ReadFormRows(list, parameters, tables, rows);
  Os& os = list.ProcessContext().Sys;
  const TDocumentFacts facts = ThisRunsFacts(os, ThisRunsProcessIds(list));
  tables.Facts = &facts;
  writeForm(list, tables, out);
  WriteFormDenials(os, list, tables);
  if (rows.Found.UnsearchedCount > 0) WriteErrorLine(os, UnsearchedLine(rows.Found));
  if (rows.Endpoints.OwnersUnknown) WriteErrorLine(os, kEndpointOwnersUnknownLine);
}

int RunCommands(Os& os, TConsoleOutput& out) {
  TCommandLine commandLine(os, os.GetCommandLineW());
  const TRunParameters parameters = ReadRunParameters(commandLine);
  TFormWriter writeForm = nullptr;
  std::vector<std::string> given;
  TFormTables tables = FormTablesOf(commandLine, parameters);
  bool usage = commandLine.Count() == 0;
  const TSwitch* alone = nullptr;  // a command that runs over time
  int commands = 0;
  for (const TSwitch& entry : Switches()) {
    if (entry.Form != nullptr && parameters.*entry.Given) {
      writeForm = entry.Form;
      given.push_back(entry.Name);
    }
    const bool present = commandLine.HasSwitch(entry.Name);
    usage = usage || (entry.Use == suUsage && present);
    if (entry.Run != nullptr && present) ++commands;
    if (entry.RunsAlone && present) alone = &entry;
  }
  std::string conflict = parameters.Error;
  if (conflict.empty()) conflict = FormSwitchConflict(given, commandLine);
  if (conflict.empty() && parameters.Find && parameters.FindPattern.empty())
    conflict = kFindUsage;
  // A command over time acts on what it reads as it goes; another command
  // would act on ids read long before.
  if (conflict.empty() && alone != nullptr && commands > 1)
    conflict = Format(kRunsAloneLine, alone->Name);
  if (!conflict.empty()) {
    WriteErrorLine(os, conflict);
    return kExitRefused;
  }
  const bool text = writeForm == nullptr;
  if (!text) out.SetEncoding(TConsoleOutput::TEncoding::Utf8);
  if (text) {
    for (const char* line : kBannerLines) out.Line(line);
    if (usage)
      for (const char* line : UsageLines()) out.Line(line);
  } else if (!tables.Any() && alone == nullptr) {
    return 0;  // a form without a table writes nothing: no fact is worth reading
  }

  TProcessContext context(os);
  // For every read of the run; termination switches it off for itself.
  context.DebugPrivilege.Enable();
  TqxProcessList list(context);
  list.AlwaysFullInformation = true;
  list.Refresh();
  // A termination must know the processes it was shown from any that take
  // their ids after them, so their starts are noted as they are listed.
  if (parameters.ChangesProcesses) RecordStartTimes(list);
  // The executables' own facts are read by the lines that show them.
  SelectProcesses(list, parameters.Selector);

  int exitCode = kExitDone;
  try {
    if (text || alone != nullptr) {
      // A command over time writes the form itself, as it goes.
      TCommandRun run = {list, parameters, tables, out};
      exitCode = RunTextCommands(commandLine, run);
    } else {
      WriteForm(writeForm, list, tables, parameters, out);
    }
  } catch (const ESystemTableError& error) {
    // What the commands before wrote stands; a form has written nothing.
    if (text) out.Flush();
    WriteErrorLine(os, error.what());
    return kExitRefused;
  }
  out.Flush();
  return exitCode;
}

std::string WithPeriod(const std::string& message) {
  if (!message.empty() && message.back() == '.') return message;
  return message + ".";
}

void ReportUnhandledError(Os& os, const char* className, const std::string& message,
                          uintptr_t address) {
  const std::string module = SplitPath(os.GetOwnModuleFileName()).Name;
  const std::string report =
      Format("Exception %s in module %s at %s.\r\n", className, module.c_str(),
             HexDigits(address).c_str()) +
      WithPeriod(message) + "\r\n\r\n";
  WriteErrorText(os, report);
}

}  // namespace

int RunProgram(Os& os) {
  TConsoleOutput out(os);
  const auto flushQuietly = [&out] {
    try {
      out.Flush();
    } catch (const EError&) {
      // Standard output itself may be what failed; the report goes to standard error.
    }
  };
  try {
    int handedOnExitCode = 0;
    if (HandOnTo64BitProgram(os, handedOnExitCode)) return handedOnExitCode;
    return RunCommands(os, out);
  } catch (const EError& error) {
    flushQuietly();
    ReportUnhandledError(os, error.ClassName(), error.what(), error.Address());
  } catch (const std::bad_alloc& error) {
    flushQuietly();
    ReportUnhandledError(os, "EOutOfMemory", "Out of memory", 0);
  } catch (const std::exception& error) {
    flushQuietly();
    ReportUnhandledError(os, "Exception", error.what(), 0);
  }
  return 1;
}

}  // namespace kvt
