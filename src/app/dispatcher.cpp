#include "app/dispatcher.h"

#include <exception>
#include <new>

#include "app/command_line.h"
#include "app/commands.h"
#include "app/console_output.h"
#include "app/handoff.h"
#include "app/output_forms.h"
#include "app/texts.h"
#include "inventory/column_template.h"
#include "os/os.h"
#include "processes/process_context.h"
#include "processes/process_list.h"
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

// A machine-readable run never terminates anything by surprise, and writes one form.
std::string FormSwitchConflict(bool csv, bool xml, bool kill) {
  if (kill && (csv || xml))
    return "/kill cannot be combined with /csv or /xml; nothing was terminated.";
  if (csv && xml) return "/csv and /xml cannot be combined; give one of them.";
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

void RunTextCommands(Os& os, const TCommandLine& commandLine, TqxProcessList& list,
                     const TSelector& selector, TConsoleOutput& out) {
  if (commandLine.HasSwitch("list")) RunListCommand(list, out);
  if (commandLine.HasSwitch("details")) RunDetailsCommand(list, out);
  if (commandLine.HasSwitch("kill"))
    RunKillCommand(list, selector, ProgramWaitingForThisRun(os, list), out);
  if (commandLine.HasSwitch("modules")) RunModulesCommand(list, out);
  if (commandLine.HasSwitch("handles")) RunHandlesCommand(list, out);
  if (commandLine.HasSwitch("license"))
    for (const char* line : kLicenseLines) out.Line(line);
}

int RunCommands(Os& os, TConsoleOutput& out) {
  TCommandLine commandLine(os, os.GetCommandLineW());
  // The form switches count for no position: they leave the parameters
  // before anything reads them.
  const bool csv = commandLine.TakeSwitch("csv");
  const bool xml = commandLine.TakeSwitch("xml");
  const std::string conflict = FormSwitchConflict(csv, xml, commandLine.HasSwitch("kill"));
  if (!conflict.empty()) {
    const std::string line = conflict + "\r\n";
    os.WriteStdErr(line.data(), line.size());
    return 1;
  }
  TFormTables tables;
  tables.Details = commandLine.HasSwitch("details");
  tables.Processes = commandLine.HasSwitch("list") || tables.Details;
  tables.Modules = commandLine.HasSwitch("modules");
  tables.Handles = commandLine.HasSwitch("handles");
  const bool text = !csv && !xml;
  if (!text) out.SetEncoding(TConsoleOutput::TEncoding::Utf8);
  if (text) {
    for (const char* line : kBannerLines) out.Line(line);
    if (commandLine.Count() == 0 || commandLine.HasSwitch("?") || commandLine.HasSwitch("help"))
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
  list.ReadFullInformation();

  const TSelector selector = ReadSelector(commandLine.Count(), commandLine.Param(2));
  SelectProcesses(list, selector);

  if (csv)
    WriteCsvTables(list, tables, out);
  else if (xml)
    WriteXmlDocument(list, tables, out);
  else
    RunTextCommands(os, commandLine, list, selector, out);
  if (!text) WriteFormDenials(os, list, tables);
  out.Flush();
  return 0;
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
