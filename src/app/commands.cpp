#include "app/commands.h"

#include "app/console_output.h"
#include "app/texts.h"
#include "processes/export_forms.h"
#include "processes/find.h"
#include "processes/process_list.h"
#include "processes/signature_rows.h"
#include "processes/termination.h"
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

void RunKillCommand(TqxProcessList& list, const TSelector& selector, uint32_t spared,
                    TConsoleOutput& out) {
  // Without a selector every process would be selected, this program included.
  if (!selector.Given) {
    out.Line("/kill needs a process id or a file name; nothing was terminated.");
    return;
  }
  if (selector.IsProcessId)
    out.Line(Format("Trying to kill process with PID %d...", selector.ProcessId));
  else
    out.Line(Format("Trying to kill processes with filename \"%s\"...", selector.Text.c_str()));
  out.Line(Format("%d matches found:", list.SelectedCount()));
  if (list.SelectedCount() > 0) out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  for (int i = 0; i < list.SelectedCount(); ++i) {
    TqxProcessItem& item = list.Selected(i);
    out.Line(item.FormatLine(kProcessTemplate));
    if (spared != 0 && item.ProcessID == spared) {
      out.Line("Not terminated: it handed this run on and waits for its end.");
      continue;
    }
    // The item may be this program itself: everything so far must be out first.
    out.Flush();
    out.Line(KillProcess(item) ? "Terminated." : "Error terminating process!");
  }
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
