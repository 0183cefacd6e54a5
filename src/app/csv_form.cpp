#include "app/console_output.h"
#include "app/output_forms.h"
#include "processes/export_forms.h"
#include "support/csv.h"

namespace kvt {
namespace {

class TCsvWriter {
 public:
  TCsvWriter(Os& os, TConsoleOutput& out) : os_(os), out_(out) {}

  template <typename TItem>
  void Header(const TExportColumns<TItem>& columns) {
    if (tables_++ > 0) out_.Line("");
    out_.Line(CsvRecord(ExportTitles(columns)));
  }

  template <typename TItem>
  void Row(const TExportColumns<TItem>& columns, TItem& item) {
    out_.Line(CsvRecord(ExportValues(columns, item, os_)));
  }

  // Every item of a process's module or handle list.
  template <typename TItem, typename TList>
  void Rows(const TExportColumns<TItem>& columns, TList& items) {
    for (int i = 0; i < items.Count(); ++i) Row(columns, items.Items(i));
  }

 private:
  Os& os_;
  TConsoleOutput& out_;
  int tables_ = 0;
};

}  // namespace

void WriteCsvTables(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  TCsvWriter csv(list.Context().Sys, out);
  if (tables.Processes) {
    csv.Header(ProcessExportColumns());
    for (int i = 0; i < list.SelectedCount(); ++i) csv.Row(ProcessExportColumns(), list.Selected(i));
  }
  if (tables.Modules) {
    csv.Header(ModuleExportColumns());
    for (int i = 0; i < list.SelectedCount(); ++i) {
      TqxProcessItem& item = list.Selected(i);
      item.FillModuleList();
      csv.Rows(ModuleExportColumns(), item.ModuleList);
    }
  }
  if (tables.Handles) {
    csv.Header(HandleExportColumns());
    for (int i = 0; i < list.SelectedCount(); ++i) {
      TqxProcessItem& item = list.Selected(i);
      item.FillHandleList();
      csv.Rows(HandleExportColumns(), item.HandleList);
    }
  }
}

}  // namespace kvt
