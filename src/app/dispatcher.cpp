#include "app/dispatcher.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/console_output.h"
#include "app/handoff.h"
#include "app/output_forms.h"
#include "app/run_parameters.h"
#include "app/texts.h"
#include "inventory/column_template.h"
#include "os/os.h"
#include "processes/find.h"
#include "processes/process_context.h"
#include "processes/process_list.h"
#include "processes/termination.h"
#include "processes/tree_order.h"
#include "support/errors.h"
#include "support/format.h"
#include "support/path_parts.h"

namespace kvt {
namespace {

void SelectProcesses(TqxProcessList& list, const TSelector& selector) {
  if (!selector.Given)
    list.SelectAll();
  else if (selector.IsProcessId)
    list.SelectByProcessID(static_cast<uint32_t>(selector.ProcessId));
  else
    list.SelectByFilename(selector.Text);
}

// The machine-readable forms, each by its switch.
using TFormWriter = void (*)(TqxProcessList&, const TFormTables&, TConsoleOutput&);
struct TFormSwitch {
  const char* Name;
  bool TRunParameters::*Given;
  TFormWriter Write;
};
constexpr TFormSwitch kFormSwitches[] = {
    {"csv", &TRunParameters::Csv, WriteCsvTables},
    {"xml", &TRunParameters::Xml, WriteXmlDocument},
    {"json", &TRunParameters::Json, WriteJsonDocument},
};

// A machine-readable run never terminates anything by surprise, and writes
// one form. Given: the names of the form switches on the command line.
std::string FormSwitchConflict(const std::vector<std::string>& given,
                               const TCommandLine& commandLine) {
  for (const char* termination : {"kill", "killtree"})
    if (!given.empty() && commandLine.HasSwitch(termination))
      return Format("/%s cannot be combined with /csv, /xml or /json; nothing was terminated.",
                    termination);
  if (given.size() > 1)
    return "/" + given[0] + " and /" + given[1] + " cannot be combined; give one of them.";
  return std::string();
}

// The program that handed this run on waits for it to end; it is not to be
// terminated as if it were any other process.
uint32_t ProgramWaitingForThisRun(Os& os, const TqxProcessList& list) {
  const uint32_t own = os.GetCurrentProcessId();
  for (int i = 0; i < list.Count(); ++i)
    if (list.Items(i).ProcessID == own) return HandingOnProgram(os, list.Items(i).ParentID);
  return 0;
}

// The forms write the selected processes and their descendants in the order
// of the tree, each with its depth.
void SelectInTreeOrder(TqxProcessList& list) {
  const std::vector<TTreeItem> tree = SelectedTrees(list, false);
  list.ClearSelection();
  for (const TTreeItem& line : tree) {
    line.Item->TreeDepth = line.Depth;
    list.AddToSelection(*line.Item);
  }
}

int RunTextCommands(Os& os, const TCommandLine& commandLine, TqxProcessList& list,
                    const TRunParameters& parameters, const TFormTables& tables,
                    TConsoleOutput& out) {
  const TSparedProcess waiting = {ProgramWaitingForThisRun(os, list), kSparedWaitingLine};
  int exitCode = kExitDone;
  if (commandLine.HasSwitch("list")) RunListCommand(list, out);
  if (commandLine.HasSwitch("details")) RunDetailsCommand(list, out);
  if (commandLine.HasSwitch("tree")) RunTreeCommand(list, out);
  if (tables.Signatures) RunVerifyCommand(list, tables.Modules, tables.UnsignedOnly, out);
  // /kill of this program ends it, last, as asked; a tree is only where it stands.
  if (commandLine.HasSwitch("kill"))
    exitCode = WorseExitCode(
        exitCode, RunKillCommand(list, {parameters.Selector, parameters.All, {waiting}}, out));
  if (commandLine.HasSwitch("killtree"))
    exitCode = WorseExitCode(
        exitCode,
        RunKillTreeCommand(list,
                           {parameters.Selector,
                            parameters.All,
                            {{os.GetCurrentProcessId(), kSparedItselfLine}, waiting}},
                           out));
  if (commandLine.HasSwitch("modules")) RunModulesCommand(list, out);
  if (commandLine.HasSwitch("handles")) RunHandlesCommand(list, out);
  if (parameters.Find) RunFindCommand(list, parameters.FindPattern, out);
  if (commandLine.HasSwitch("license"))
    for (const char* line : kLicenseLines) out.Line(line);
  return exitCode;
}

// The forms read everything before they write: a table that cannot be read
// leaves standard output empty.
void WriteForm(TFormWriter writeForm, TqxProcessList& list, TFormTables tables,
               const std::string& findPattern, TConsoleOutput& out) {
  TFindResult found;
  if (tables.Find) {
    found = FindByName(list, list.SelectedItems(), findPattern);
    tables.FindHits = &found;
  }
  if (tables.Tree) SelectInTreeOrder(list);
  writeForm(list, tables, out);
  Os& os = list.ProcessContext().Sys;
  WriteFormDenials(os, list, tables);
  if (found.UnsearchedCount > 0) WriteErrorLine(os, UnsearchedLine(found));
}

int RunCommands(Os& os, TConsoleOutput& out) {
  TCommandLine commandLine(os, os.GetCommandLineW());
  const TRunParameters parameters = ReadRunParameters(commandLine);
  TFormWriter writeForm = nullptr;
  std::vector<std::string> given;
  for (const TFormSwitch& formSwitch : kFormSwitches) {
    if (!(parameters.*formSwitch.Given)) continue;
    writeForm = formSwitch.Write;
    given.push_back(formSwitch.Name);
  }
  const bool verify = commandLine.HasSwitch("verify");
  std::string conflict = parameters.Error;
  if (conflict.empty()) conflict = FormSwitchConflict(given, commandLine);
  if (conflict.empty() && parameters.Find && parameters.FindPattern.empty())
    conflict = kFindUsage;
  if (!conflict.empty()) {
    WriteErrorLine(os, conflict);
    return kExitRefused;
  }
  TFormTables tables;
  tables.Details = commandLine.HasSwitch("details");
  tables.Tree = commandLine.HasSwitch("tree");
  // In a form the details, the tree and the signatures are columns of the
  // process table.
  tables.Processes = commandLine.HasSwitch("list") || tables.Details || tables.Tree || verify;
  tables.Modules = commandLine.HasSwitch("modules");
  tables.Handles = commandLine.HasSwitch("handles");
  tables.Find = parameters.Find;
  tables.Signatures = verify;
  tables.UnsignedOnly = parameters.UnsignedOnly;
  const bool text = writeForm == nullptr;
  if (!text) out.SetEncoding(TConsoleOutput::TEncoding::Utf8);
  if (text) {
    for (const char* line : kBannerLines) out.Line(line);
    if (commandLine.Count() == 0 || commandLine.HasSwitch("?") ||
        commandLine.HasSwitch("help"))
      for (const char* line : kUsageLines) out.Line(line);
  } else if (!tables.Any()) {
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
    if (text)
      exitCode = RunTextCommands(os, commandLine, list, parameters, tables, out);
    else
      WriteForm(writeForm, list, tables, parameters.FindPattern, out);
  } catch (const EHandleTableError& error) {
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
