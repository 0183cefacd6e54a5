#include "app/commands.h"

#include <algorithm>

#include "app/console_output.h"
#include "app/texts.h"
#include "os/os.h"
#include "processes/export_forms.h"
#include "processes/find.h"
#include "processes/process_list.h"
#include "processes/signature_rows.h"
#include "processes/termination.h"
#include "processes/tree_order.h"
#include "support/format.h"
#include "support/int_conversion.h"

namespace kvt {
namespace {

// The modules and handles commands begin each process's block with its line.
void WriteProcessHead(const TqxProcessItem& item, TConsoleOutput& out) {
  out.Line("Process:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  out.Line(item.FormatLine(kProcessTemplate));
}

// A process's table under its title, between empty lines; Note, when
// given, follows the rows.
template <typename TItemClass, typename TList>
void WriteTable(const char* title, const char* tmpl, const TList& items, TConsoleOutput& out,
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

// Without a selector every process would be selected, this program included.
bool SelectorForTermination(const char* command, const TSelector& selector, TConsoleOutput& out) {
  if (selector.Given) return true;
  out.Line(Format("%s needs a process id or a file name; nothing was terminated.", command));
  return false;
}

// The report of a termination: how many processes it tries, then each
// process's line and what became of it.
void TerminateEach(const std::vector<TqxProcessItem*>& items,
                   const std::vector<TSparedProcess>& spared, TConsoleOutput& out) {
  out.Line(Format("%d matches found:", static_cast<int32_t>(items.size())));
  if (!items.empty()) out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  for (TqxProcessItem* item : items) {
    out.Line(item->FormatLine(kProcessTemplate));
    const auto kept = std::find_if(spared.begin(), spared.end(), [item](const TSparedProcess& p) {
      return p.ProcessId != 0 && p.ProcessId == item->ProcessID;
    });
    if (kept != spared.end()) {
      out.Line(kept->Reason);
      continue;
    }
    // The item may be this program itself: everything so far must be out first.
    out.Flush();
    out.Line(KillProcess(*item) ? "Terminated." : "Error terminating process!");
  }
}

}  // namespace

TSelector ReadSelector(int parameterCount, const std::string& parameter2) {
  TSelector selector;
  selector.Given = parameterCount >= 2;
  selector.Text = parameter2;
  int32_t number = 0;
  if (selector.Given && TryStrToInt(parameter2, number) && number != 0) {
    selector.IsProcessId = true;
    selector.ProcessId = number;
  }
  return selector;
}

void RunListCommand(TqxProcessList& list, TConsoleOutput& out) {
  out.Line("Processes:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  for (int i = 0; i < list.SelectedCount(); ++i)
    out.Line(list.Selected(i).FormatLine(kProcessTemplate));
}

void RunVerifyCommand(TqxProcessList& list, bool modules, bool unsignedOnly, TConsoleOutput& out) {
  out.Line("Signatures:");
  out.Line(TSignatureRow::FormatHeader(kSignatureTemplate));
  for (const TSignatureRow& row : ReadSignatureRows(list, modules, unsignedOnly))
    out.Line(row.FormatLine(kSignatureTemplate));
}

void RunDetailsCommand(TqxProcessList& list, TConsoleOutput& out) {
  list.ReadDetails(list.SelectedItems());
  Os& os = list.ProcessContext().Native.Sys;
  for (TqxProcessItem* item : list.SelectedItems()) {
    WriteProcessHead(*item, out);
    const TProcessDetails& details = item->Details;
    const TProcessInformationEntry& figures = details.Information;
    const bool known = details.HasInformation;
    uint64_t started = 0;
    if (known && figures.CreateTime != 0) os.FileTimeToLocalFileTime(figures.CreateTime, &started);
    const auto figure = [known](const std::string& text) { return known ? text : std::string(); };
    const auto readable = [](bool denied, const std::string& text) {
      return denied ? std::string(kDetailDeniedValue) : text;
    };
    const std::pair<const char*, std::string> facts[] = {
        {"Command line", readable(details.CommandLineDenied, details.CommandLine)},
        {"User", readable(details.UserDenied, details.User)},
        {"Integrity", readable(details.IntegrityDenied, details.Integrity)},
        {"Session", figure(std::to_string(figures.SessionId))},
        {"Started", LocalTimeText(started)},
        {"CPU time", figure(CpuTimeText(figures.CpuTime))},
        {"Working set", figure(KilobytesText(figures.WorkingSet))},
        {"Private bytes", figure(KilobytesText(figures.PrivateBytes))},
        {"Threads", figure(std::to_string(figures.Threads))},
        {"Handles", figure(std::to_string(figures.Handles))},
        {"Services", JoinedServices(details.Services, ", ")},
    };
    // The values in one column: the longest label and its colon, then a blank;
    // an unknown fact leaves its label alone on the line.
    for (const auto& fact : facts) {
      const std::string label = std::string(fact.first) + ":";
      out.Line(fact.second.empty() ? "  " + label
                                   : Format("  %-15s%s", label.c_str(), fact.second.c_str()));
    }
    out.Line("");
  }
}

void RunTreeCommand(TqxProcessList& list, TConsoleOutput& out) {
  const std::vector<TTreeItem> tree = SelectedTrees(list, false);
  std::vector<TqxProcessItem*> items;
  for (const TTreeItem& line : tree) items.push_back(line.Item);
  // The command lines come with the other details, for the processes shown only.
  list.ReadDetails(items);
  out.Line("Process tree:");
  for (const TTreeItem& line : tree) {
    const TqxProcessItem& item = *line.Item;
    std::string text = std::string(2 * static_cast<size_t>(line.Depth), ' ') +
                       Format("%d  %s", static_cast<int32_t>(item.ProcessID),
                              item.FilenameOnly().c_str());
    if (!item.Details.CommandLine.empty()) text += "  " + item.Details.CommandLine;
    out.Line(text);
  }
}

void RunKillCommand(TqxProcessList& list, const TSelector& selector,
                    const std::vector<TSparedProcess>& spared, TConsoleOutput& out) {
  if (!SelectorForTermination("/kill", selector, out)) return;
  if (selector.IsProcessId)
    out.Line(Format("Trying to kill process with PID %d...", selector.ProcessId));
  else
    out.Line(Format("Trying to kill processes with filename \"%s\"...", selector.Text.c_str()));
  TerminateEach(list.SelectedItems(), spared, out);
}

void RunKillTreeCommand(TqxProcessList& list, const TSelector& selector,
                        const std::vector<TSparedProcess>& spared, TConsoleOutput& out) {
  if (!SelectorForTermination("/killtree", selector, out)) return;
  if (selector.IsProcessId)
    out.Line(Format("Trying to kill process with PID %d and its descendants...",
                    selector.ProcessId));
  else
    out.Line(Format("Trying to kill processes with filename \"%s\" and their descendants...",
                    selector.Text.c_str()));
  std::vector<TqxProcessItem*> items;
  for (const TTreeItem& line : SelectedTrees(list, true)) items.push_back(line.Item);
  TerminateEach(items, spared, out);
}

void RunModulesCommand(TqxProcessList& list, TConsoleOutput& out) {
  for (int i = 0; i < list.SelectedCount(); ++i) {
    TqxProcessItem& item = list.Selected(i);
    WriteProcessHead(item, out);
    item.FillModuleList();
    if (item.ModuleList.ReadDenied)
      WriteModulesDenied(out);
    else
      WriteTable<TqxModuleItem>("Modules:", kModuleTemplate, item.ModuleList, out);
  }
}

void RunHandlesCommand(TqxProcessList& list, TConsoleOutput& out) {
  // One read of the system table serves every selected process.
  list.FillHandleLists(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    WriteProcessHead(*item, out);
    WriteTable<TqxHandleItem>("Handles:", kHandleTemplate, item->HandleList, out,
                              item->HandleList.NamesDenied ? kHandleNamesDeniedLine : nullptr);
  }
}

void RunFindCommand(TqxProcessList& list, const std::string& pattern, TConsoleOutput& out) {
  TFindResult found = FindByName(list, list.SelectedItems(), pattern);
  const auto& columns = FindExportColumns();
  out.Line(Format("Handles and modules whose names match \"%s\":", pattern.c_str()));
  if (found.Hits.empty()) {
    out.Line("No handle or module matches.");
  } else {
    out.Line(ExportTextLine(columns, ExportTitles(columns)));
    for (TqxFindItem& hit : found.Hits) out.Line(ExportTextLine(columns, ExportValues(columns, hit)));
    out.Line(Format(found.Hits.size() == 1 ? "%d match found." : "%d matches found.",
                    static_cast<int>(found.Hits.size())));
  }
  if (found.UnsearchedCount > 0) out.Line(UnsearchedLine(found));
  out.Line("");
}

std::string UnsearchedLine(const TFindResult& found) {
  // Opening a process fails for want of rights, and for one that has just ended.
  return Format(found.UnsearchedCount == 1
                    ? "%d process could not be searched: its handles or modules could not be read."
                    : "%d processes could not be searched: their handles or modules could not be "
                      "read.",
                found.UnsearchedCount);
}

}  // namespace kvt
