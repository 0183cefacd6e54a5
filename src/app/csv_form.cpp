#include "app/console_output.h"
#include "app/output_forms.h"
#include "processes/export_forms.h"
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
  // handles), filled already.
  template <typename TItem, typename TList>
  void ListTable(TqxProcessList& list, const TExportColumns<TItem>& columns,
                 TList TqxProcessItem::*items) {
    Header(columns);
    for (TqxProcessItem* process : list.SelectedItems()) {
      TList& rows = process->*items;
      for (int j = 0; j < rows.Count(); ++j) Row(columns, rows.Items(j));
    }
  }

 private:
  TConsoleOutput& out_;
  int tables_ = 0;
};

}  // namespace

void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  TCsvWriter csv(out);
  if (tables.Processes) {
    TExportColumns<TqxProcessItem> columns = ProcessExportColumns(tables.Details);
    if (tables.Details) list.ReadDetails(list.SelectedItems());
    if (tables.Tree)
      columns.insert(columns.end(), TreeExportColumns().begin(), TreeExportColumns().end());
    csv.Header(columns);
    for (int i = 0; i < list.SelectedCount(); ++i) csv.Row(columns, list.Selected(i));
  }
  if (tables.Modules) {
    for (TqxProcessItem* process : list.SelectedItems()) process->FillModuleList();
    csv.ListTable(list, ModuleExportColumns(), &TqxProcessItem::ModuleList);
  }
  if (tables.Handles) {
    // One read of the system table serves every selected process.
    list.FillHandleLists(list.SelectedItems());
    csv.ListTable(list, HandleExportColumns(), &TqxProcessItem::HandleList);
  }
}

}  // namespace kvt
