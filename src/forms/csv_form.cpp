#include "app/console_output.h"
#include "forms/output_forms.h"
#include "processes/find.h"
#include "support/csv.h"
#include "processes/endpoint_rows.h"
#include "tables/endpoint_table.h"
#include "tables/find_table.h"
#include "tables/form_views.h"
#include "tables/handle_table.h"

namespace kvt {
namespace {

class TCsvWriter {
 public:
  explicit TCsvWriter(TConsoleOutput& out) : out_(out) {}

  template <typename TItem>
  void Header(const TTable<TItem>& table) {
    if (tables_++ > 0) out_.Line("");
    out_.Line(CsvRecord(CsvTitles(table)));
  }

  template <typename TItem>
  void Row(const TTable<TItem>& table, TItem& item) {
    out_.Line(CsvRecord(CsvValues(table, item)));
  }

  // The table of a list every selected process owns (its modules or its
  // handles), filled already: the rows Keep keeps.
  template <typename TItem, typename TList, typename TKeep>
  void ListTable(TqxProcessList& list, const TTable<TItem>& table, TList TqxProcessItem::*items,
                 TKeep keep) {
    Header(table);
    for (TqxProcessItem* process : list.SelectedItems()) {
      TList& rows = process->*items;
      for (int j = 0; j < rows.Count(); ++j)
        if (keep(rows.Items(j))) Row(table, rows.Items(j));
    }
  }

 private:
  TConsoleOutput& out_;
  int tables_ = 0;
};

}  // namespace

void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  ReadFormFacts(list, tables);
  TCsvWriter csv(out);
  const auto keep = [&tables](TSystemLogItem& item) { return KeepsRow(tables, item); };
  if (tables.Processes) {
    const TTable<TqxProcessItem> columns = ProcessRowColumns(tables);
    csv.Header(columns);
    for (TqxProcessItem* process : list.SelectedItems())
      if (keep(*process)) csv.Row(columns, *process);
  }
  if (tables.Modules)
    csv.ListTable(list, ModuleRowColumns(tables), &TqxProcessItem::ModuleList, keep);
  if (tables.Handles)
    csv.ListTable(list, HandleTable(), &TqxProcessItem::HandleList,
                  [](TqxHandleItem&) { return true; });
  if (tables.EndpointRows) {
    const TEndpointRows& kept = *tables.EndpointRows;
    csv.Header(EndpointTable());
    for (TqxProcessItem* process : kept.Processes)
      for (TEndpointRow row : kept.RowsOf(*process)) csv.Row(EndpointTable(), row);
    for (TEndpointRow row : kept.Unowned) csv.Row(EndpointTable(), row);
  }
  if (tables.FindHits) {
    csv.Header(FindTable());
    for (TqxFindItem& hit : tables.FindHits->Hits) csv.Row(FindTable(), hit);
  }
}

}  // namespace kvt
