#include "forms/form_run.h"

#include <vector>

#include "app/command_line.h"
#include "app/run_parameters.h"
#include "commands/command_table.h"
#include "commands/commands.h"
#include "processes/process_list.h"
#include "processes/tree_order.h"

namespace kvt {
namespace {

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

}  // namespace

TFormTables FormTablesOf(const TCommandLine& commandLine, const TRunParameters& parameters) {
  TFormTables tables;
  for (const TSwitch& entry : Switches())
    if (entry.Table != nullptr && commandLine.HasSwitch(entry.Name)) tables.*entry.Table = true;
  // In a form the details, the tree and the signatures are columns of the
  // process table.
  tables.Processes = tables.Processes || tables.Details || tables.Tree || tables.Signatures;
  tables.UnsignedOnly = parameters.UnsignedOnly;
  return tables;
}

void ReadFormRows(TqxProcessList& list, const TRunParameters& parameters, TFormTables& tables,
                  TFormRows& rows) {
  if (tables.Find) {
    rows.Found = FindByName(list, list.SelectedItems(), parameters.FindPattern);
    tables.FindHits = &rows.Found;
  }
  if (tables.Endpoints) {
    rows.Endpoints =
        SelectEndpointRows(list, EndpointFilterOf(parameters), !parameters.Selector.Given);
    tables.EndpointRows = &rows.Endpoints;
  }
  if (tables.Tree) SelectInTreeOrder(list);
}

}  // namespace kvt
