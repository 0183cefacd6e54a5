#include "processes/signature_rows.h"

#include "inventory/column_keys.h"
#include "processes/process_list.h"
#include "support/path_parts.h"

namespace kvt {
namespace {

const TColumnKey<TSignatureRow> kSignatureColumns[] = {
    {"PID", "PID", TColumnKind::Decimal, [](const TSignatureRow& r) { return r.ProcessID; }, {}},
    {"FILENAME", "Filename", TColumnKind::Text, {},
     [](const TSignatureRow& r) { return SplitPath(r.Path).Name; }},
    {"STATUS", "Status", TColumnKind::Text, {},
     [](const TSignatureRow& r) { return r.Signature.StatusText(); }},
    {"SIGNER", "Signer", TColumnKind::Text, {},
     [](const TSignatureRow& r) { return r.Signature.Signer; }},
    {"PATH", "Path", TColumnKind::Text, {},
     [](const TSignatureRow& r) { return SplitPath(r.Path).Directory; }},
};

void AddRow(std::vector<TSignatureRow>& rows, uint32_t processId, TSystemLogItem& item,
            bool unsignedOnly) {
  TSignatureRow row;
  row.ProcessID = processId;
  row.Path = item.CompleteFilename();
  row.Signature = item.Signature();
  if (!unsignedOnly || !row.Signature.Trusted()) rows.push_back(row);
}

}  // namespace

std::string TSignatureRow::FormatHeader(const std::string& tmpl) {
  return FormatHeaderFromKeys(kSignatureColumns, tmpl);
}

std::string TSignatureRow::FormatLine(const std::string& tmpl) const {
  return FormatLineFromKeys(kSignatureColumns, *this, tmpl);
}

bool ShownAsUnsigned(TSystemLogItem& item) { return !item.Signature().Trusted(); }

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
