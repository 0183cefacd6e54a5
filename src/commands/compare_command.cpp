// /compare: the system now against a document this program wrote earlier,
// read again as that document's run read it.
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/console_output.h"
#include "baseline/baseline_file.h"
#include "baseline/document_snapshot.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/selection.h"
#include "forms/document_facts.h"
#include "forms/form_run.h"
#include "forms/output_forms.h"
#include "inventory/xml_document.h"
#include "os/os.h"
#include "processes/process_list.h"
#include "support/csv.h"
#include "support/format.h"
#include "support/text.h"
#include "tables/change_table.h"
#include "tables/form_views.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

constexpr const char* kCompareUsage =
    "/compare takes the file of a document this program wrote with /xml or /json.";
constexpr const char* kChangeListPath = "Vantora/TqxChangeList";
constexpr const char* kChangeItemTag = "TqxChangeItem";
constexpr const char* kSectionTitles[kChangeKindCount] = {
    "Processes started (+) and ended (-):", "Files changed (~):",
    "Modules loaded (+) and gone (-):", "Listening endpoints opened (+) and closed (-):"};

// What the baseline's run read: its commands and selector where the document
// says them, and the tables it holds in any case (an older document says
// nothing of its run). Handles and search hits are not compared.
struct TBaselineRun {
  TRunParameters Parameters;
  TFormTables Tables;
};

bool AnyHolds(const TSnapshot& snapshot, bool (*holds)(const TSnapshotProcess&)) {
  for (const TSnapshotProcess& process : snapshot.Processes)
    if (holds(process)) return true;
  return false;
}

TBaselineRun BaselineRun(Os& os, const TSnapshot& baseline) {
  TBaselineRun run;
  if (baseline.Facts.Known) {
    TCommandLine commandLine(os, "kvtProc " + baseline.Facts.Parameters);
    run.Parameters = ReadRunParameters(commandLine);
    run.Tables = FormTablesOf(commandLine, run.Parameters);
  } else {
    run.Tables.Processes = baseline.HasProcessList;
  }
  TFormTables& tables = run.Tables;
  tables.Modules = tables.Modules || baseline.HasModules;
  tables.Endpoints = tables.Endpoints || baseline.HasEndpoints;
  tables.Details = tables.Details ||
                   AnyHolds(baseline, [](const TSnapshotProcess& p) { return p.HasDetails; });
  tables.Signatures = tables.Signatures || AnyHolds(baseline, [](const TSnapshotProcess& p) {
                        return p.File.Held[kSignatureFact];
                      });
  tables.Processes = tables.Processes || tables.Details || tables.Signatures;
  tables.Handles = tables.Find = tables.Tree = false;
  return run;
}

// This program is no process of the system's it compares: now its own ids,
// then those the document names, or for an older document one process of
// this program's file.
void LeaveOutOwnProcesses(TSnapshot& snapshot, const std::vector<uint32_t>& ids,
                          const std::string& ownFile) {
  std::vector<TSnapshotProcess>& processes = snapshot.Processes;
  for (size_t i = processes.size(); i-- > 0;) {
    bool own = false;
    for (const uint32_t id : ids) own = own || processes[i].ProcessId == id;
    if (own) processes.erase(processes.begin() + static_cast<std::ptrdiff_t>(i));
  }
  if (!snapshot.Facts.Known && !ownFile.empty())
    for (size_t i = 0; i < processes.size(); ++i)
      if (SameTextAscii(processes[i].Path, ownFile)) {
        processes.erase(processes.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
}

// The XML form could not hold every character: the values read now are
// compared as it would have written them.
void AsXmlHoldsThem(TSnapshot& snapshot) {
  for (TSnapshotProcess& process : snapshot.Processes) {
    for (std::string* text : {&process.Path, &process.CommandLine, &process.User})
      *text = XmlCharacters(*text);
    for (std::string& value : process.File.Values) value = XmlCharacters(value);
    for (TSnapshotModule& module : process.Modules) {
      module.Path = XmlCharacters(module.Path);
      for (std::string& value : module.File.Values) value = XmlCharacters(value);
    }
  }
}

TSnapshot SnapshotNow(TqxProcessList& list, TBaselineRun& baseline) {
  list.ClearSelection();
  SelectProcesses(list, baseline.Parameters.Selector);
  TFormRows rows;
  ReadFormRows(list, baseline.Parameters, baseline.Tables, rows);
  TXmlDocument document;
  SaveFormDocument(list, baseline.Tables, document);
  TSnapshot now;
  std::string fault;
  SnapshotOfDocument(document, now, fault);  // the program's own document: always shaped
  return now;
}

std::string Plural(size_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string SummaryLine(const TSnapshot& baseline, const TComparedKinds& kinds,
                        const std::vector<TChange>& changes) {
  size_t plus[kChangeKindCount] = {}, minus[kChangeKindCount] = {}, changed = 0;
  std::string lastFile;
  for (const TChange& change : changes) {
    const size_t kind = static_cast<size_t>(change.Kind);
    if (change.Sign == '+') ++plus[kind];
    if (change.Sign == '-') ++minus[kind];
    if (change.Sign == '~' && change.Path != lastFile) ++changed;
    if (change.Sign == '~') lastFile = change.Path;
  }
  std::vector<std::string> counts;
  if (kinds.Processes) {
    counts.push_back(Plural(plus[0], "process started", "processes started"));
    counts.push_back(Format("%u ended", static_cast<unsigned>(minus[0])));
    counts.push_back(Plural(changed, "file changed", "files changed"));
  }
  if (kinds.Modules) {
    counts.push_back(Plural(plus[2], "module loaded", "modules loaded"));
    counts.push_back(Format("%u gone", static_cast<unsigned>(minus[2])));
  }
  if (kinds.Endpoints) {
    counts.push_back(Plural(plus[3], "endpoint opened", "endpoints opened"));
    counts.push_back(Format("%u closed", static_cast<unsigned>(minus[3])));
  }
  std::string line = baseline.Facts.Known
                         ? Format("Since %s on %s: ", baseline.Facts.Taken.c_str(),
                                  baseline.Facts.Machine.c_str())
                         : "Since a baseline that does not say when or where it was taken: ";
  for (size_t i = 0; i < counts.size(); ++i) line += (i ? ", " : "") + counts[i];
  return line + ".";
}

void WriteText(const TSnapshot& baseline, const std::string& file, const TComparedKinds& kinds,
               std::vector<TChange>& changes, TConsoleOutput& out) {
  if (baseline.Facts.Known)
    out.Line(Format("Compared with %s, taken by kvtProc %s (%s).", file.c_str(),
                    baseline.Facts.Version.c_str(), baseline.Facts.Parameters.c_str()));
  else
    out.Line(Format("Compared with %s.", file.c_str()));
  const bool compared[kChangeKindCount] = {kinds.Processes, kinds.Processes, kinds.Modules,
                                           kinds.Endpoints};
  for (size_t kind = 0; kind < kChangeKindCount; ++kind) {
    if (!compared[kind]) continue;
    out.Line("");
    out.Line(kSectionTitles[kind]);
    bool any = false;
    for (TChange& change : changes)
      if (static_cast<size_t>(change.Kind) == kind) {
        out.Line(AlignedLine(ChangeTable(), change));
        any = true;
      }
    if (!any) out.Line("none");
  }
  out.Line("");
  out.Line(SummaryLine(baseline, kinds, changes));
}

void WriteForm(const TRunParameters& parameters, const TDocumentFacts& facts,
               const TSnapshot& baseline, std::vector<TChange>& changes, TConsoleOutput& out) {
  if (parameters.Csv) {
    out.Line(CsvRecord(CsvTitles(ChangeTable())));
    for (TChange& change : changes) out.Line(CsvRecord(CsvValues(ChangeTable(), change)));
    return;
  }
  TXmlDocument document;
  SaveDocumentFacts(facts, document);
  const TXmlElement root = document.RootElement();
  root.SetAttribute("BaselineTaken", baseline.Facts.Taken);
  root.SetAttribute("BaselineMachine", baseline.Facts.Machine);
  const TXmlElement list = document.CreateElement(kChangeListPath);
  for (TChange& change : changes) SaveXmlAttributes(ChangeTable(), change, list.AppendChild(kChangeItemTag));
  if (parameters.Json)
    WriteDocumentAsJson(document, out);
  else
    WriteXmlText(document, out);
}

}  // namespace

int RunCompareCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  Os& os = list.ProcessContext().Sys;
  const std::string& file = run.Parameters.CompareFile;
  TSnapshot baseline;
  try {
    if (file.empty()) throw EBaselineError(kCompareUsage);
    baseline = LoadBaseline(os, file);
  } catch (const EBaselineError& error) {
    run.Out.Discard();
    WriteErrorLine(os, error.what());
    return kExitRefused;
  }
  TBaselineRun baselineRun = BaselineRun(os, baseline);
  TSnapshot now = SnapshotNow(list, baselineRun);
  const std::vector<uint32_t> own = ThisRunsProcessIds(list);
  LeaveOutOwnProcesses(now, own, std::string());
  LeaveOutOwnProcesses(baseline, baseline.Facts.OwnProcessIds, os.GetOwnModuleFileName());
  if (baseline.FromXml) AsXmlHoldsThem(now);
  TComparedKinds kinds;
  kinds.Processes = baselineRun.Tables.Processes;
  kinds.Modules = baselineRun.Tables.Modules;
  kinds.Endpoints = baselineRun.Tables.Endpoints;
  std::vector<TChange> changes = CompareSnapshots(baseline, now, kinds);
  if (run.Parameters.Csv || run.Parameters.Xml || run.Parameters.Json)
    WriteForm(run.Parameters, ThisRunsFacts(os, own), baseline, changes, run.Out);
  else
    WriteText(baseline, file, kinds, changes, run.Out);
  run.Out.Flush();
  return changes.empty() ? kExitDone : kExitDiffers;
}

}  // namespace kvt
