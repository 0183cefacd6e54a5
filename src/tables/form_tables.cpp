#include "tables/form_tables.h"

#include "processes/signature_rows.h"
#include "tables/detail_table.h"
#include "tables/module_table.h"
#include "tables/process_table.h"
#include "tables/signature_table.h"
#include "tables/tree_table.h"

namespace kvt {

TTable<TqxProcessItem> ProcessRowColumns(const TFormTables& tables) {
  TTable<TqxProcessItem> columns = ProcessTable();
  if (tables.Signatures) columns = columns.Joined(SignatureColumns<TqxProcessItem>());
  if (tables.Details) columns = columns.Joined(DetailTable());
  if (tables.Tree) columns = columns.Joined(TreeTable());
  return columns;
}

TTable<TqxModuleItem> ModuleRowColumns(const TFormTables& tables) {
  if (!tables.Signatures) return ModuleTable();
  return ModuleTable().Joined(SignatureColumns<TqxModuleItem>());
}

bool KeepsRow(const TFormTables& tables, TSystemLogItem& item) {
  return !tables.UnsignedOnly || ShownAsUnsigned(item);
}

void ReadFormFacts(TqxProcessList& list, const TFormTables& tables) {
  if (tables.Handles) list.FillHandleLists(list.SelectedItems());
  if (tables.Details) list.ReadDetails(list.SelectedItems());
  if (tables.Modules)
    for (TqxProcessItem* process : list.SelectedItems()) process->FillModuleList();
}

}  // namespace kvt
