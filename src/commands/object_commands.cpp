// The commands that write what each selected process holds: its modules,
// its handles, and the names among them that match a pattern.
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/process_blocks.h"
#include "processes/find.h"
#include "processes/process_list.h"
#include "support/format.h"
#include "tables/find_table.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

// In place of a module table that could not be read: an empty one would read
// as a process without modules.
void WriteModulesDenied(TConsoleOutput& out) {
  out.Line("");
  out.Line("Modules:");
  out.Line(kModulesDeniedLine);
  out.Line("");
}

}  // namespace

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

}  // namespace kvt
