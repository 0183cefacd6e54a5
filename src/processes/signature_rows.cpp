#include "processes/signature_rows.h"

#include "processes/process_list.h"

namespace kvt {

bool ShownAsUnsigned(TSystemLogItem& item) { return !item.Signature().Trusted(); }

namespace {

void AddRow(std::vector<TSignatureRow>& rows, uint32_t processId, TSystemLogItem& item,
            bool unsignedOnly) {
  if (unsignedOnly && !ShownAsUnsigned(item)) return;
  TSignatureRow row;
  row.ProcessID = processId;
  row.Path = item.CompleteFilename();
  row.Verdict = item.Signature();
  rows.push_back(row);
}

}  // namespace

std::vector<TSignatureRow> ReadSignatureRows(TqxProcessList& list, bool modules,
                                             bool unsignedOnly) {
  std::vector<TSignatureRow> rows;
  for (TqxProcessItem* process : list.SelectedItems()) {
    AddRow(rows, process->ProcessID, *process, unsignedOnly);
    if (!modules) continue;
    process->FillModuleList();
    for (int i = 0; i < process->ModuleList.Count(); ++i)
      AddRow(rows, process->ProcessID, process->ModuleList.Items(i), unsignedOnly);
  }
  return rows;
}

}  // namespace kvt
