#include "app/console_output.h"
#include "app/output_forms.h"
#include "processes/export_forms.h"
#include "processes/find.h"
#include "support/csv.h"

namespace kvt {
namespace {

class TCsvWriter {
 public:
  explicit TCsvWriter(TConsoleOutput& out) : out_(out) {}

  template <typename TItem>
  void Header(const TExportColumns<TItem>& columns) {
    if (tables_++ > 0) out_.Line("");
    out_.Line(CsvRecord(ExportTitles(columns)));
  }

  template <typename TItem>
  void Row(const TExportColumns<TItem>& columns, TItem& item) {
    out_.Line(CsvRecord(ExportValues(columns, item)));
  }

  // The table of a list every selected process owns (its modules or its
  // handles), filled already: the rows Keep keeps.
  template <typename TItem, typename TList, typename TKeep>
  void ListTable(TqxProcessList& list, const TExportColumns<TItem>& columns,
                 TList TqxProcessItem::*items, TKeep keep) {
    Header(columns);
    for (TqxProcessItem* process : list.SelectedItems()) {
      TList& rows = process->*items;
      for (int j = 0; j < rows.Count(); ++j)
        if (keep(rows.Items(j))) Row(columns, rows.Items(j));
    }
  }

 private:
  TConsoleOutput& out_;
  int tables_ = 0;
};

// An item class's columns, followed by its signature's with Signatures.
template <typename TItem>
TExportColumns<TItem> TableColumns(const TExportColumns<TItem>& columns, bool signatures) {
  TExportColumns<TItem> all = columns;
  if (signatures) {
    const TExportColumns<TItem>& more = SignatureExportColumns<TItem>();
    all.insert(all.end(), more.begin(), more.end());
  }
  return all;
}

}  // namespace

void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  // One read of the system table serves every selected process; it comes
  // before any row, so that a table that cannot be read leaves no document.
  if (tables.Handles) list.FillHandleLists(list.SelectedItems());
  TCsvWriter csv(out);
  const auto keep = [&tables](TSystemLogItem& item) {
    return !tables.UnsignedOnly || ShownAsUnsigned(item);
  };
  if (tables.Processes) {
    TExportColumns<TqxProcessItem> columns =
        TableColumns(ProcessExportColumns(), tables.Signatures);
    if (tables.Details) {
      list.ReadDetails(list.SelectedItems());
      const TExportColumns<TqxProcessItem>& details = ProcessDetailExportColumns();
      columns.insert(columns.end(), details.begin(), details.end());
    }
    if (tables.Tree)
      columns.insert(columns.end(), TreeExportColumns().begin(), TreeExportColumns().end());
    csv.Header(columns);
    for (TqxProcessItem* process : list.SelectedItems())
      if (keep(*process)) csv.Row(columns, *process);
  }
  if (tables.Modules) {
    for (TqxProcessItem* process : list.SelectedItems()) process->FillModuleList();
    csv.ListTable(list, TableColumns(ModuleExportColumns(), tables.Signatures),
                  &TqxProcessItem::ModuleList, keep);
  }
  if (tables.Handles)
    csv.ListTable(list, HandleExportColumns(), &TqxProcessItem::HandleList,
                  [](TqxHandleItem&) { return true; });
  if (tables.FindHits) {
    csv.Header(FindExportColumns());
    for (TqxFindItem& hit : tables.FindHits->Hits) csv.Row(FindExportColumns(), hit);
  }
}

}  // namespace kvt
