// The commands that write the selected processes themselves: the list, the
// details, the tree, the signatures, and the license text.
#include "app/texts.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "commands/process_blocks.h"
#include "processes/process_list.h"
#include "processes/signature_rows.h"
#include "processes/tree_order.h"
#include "tables/detail_table.h"
#include "tables/text_views.h"
#include "tables/tree_table.h"

namespace kvt {

int RunListCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  out.Line("Processes:");
  out.Line(TqxProcessItem::FormatHeader(kProcessTemplate));
  for (int i = 0; i < list.SelectedCount(); ++i)
    out.Line(list.Selected(i).FormatLine(kProcessTemplate));
  return kExitDone;
}

int RunVerifyCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;
  const bool modules = run.Tables.Modules;
  const bool unsignedOnly = run.Tables.UnsignedOnly;

  out.Line("Signatures:");
  out.Line(TSignatureRow::FormatHeader(kSignatureTemplate));
  for (TSignatureRow& row : ReadSignatureRows(list, modules, unsignedOnly))
    out.Line(row.FormatLine(kSignatureTemplate));
  return kExitDone;
}

int RunDetailsCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  list.ReadDetails(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    WriteProcessHead(*item, out);
    for (const std::string& line : FactLines(DetailTable(), *item)) out.Line(line);
    out.Line("");
  }
  return kExitDone;
}

int RunTreeCommand(TCommandRun& run) {
  TqxProcessList& list = run.List;
  TConsoleOutput& out = run.Out;

  const std::vector<TTreeItem> tree = SelectedTrees(list, false);
  std::vector<TqxProcessItem*> items;
  for (const TTreeItem& line : tree) items.push_back(line.Item);
  // The command lines come with the other details, for the processes shown only.
  list.ReadDetails(items);
  out.Line("Process tree:");
  for (const TTreeItem& line : tree) out.Line(IndentedLine(TreeTable(), *line.Item, line.Depth));
  return kExitDone;
}

int RunLicenseCommand(TCommandRun& run) {
  for (const char* line : kLicenseLines) run.Out.Line(line);
  return kExitDone;
}

}  // namespace kvt
