#include "app/console_output.h"
#include "app/output_forms.h"
#include "processes/export_forms.h"
#include "processes/find.h"

namespace kvt {
namespace {

bool HasUnsignedModule(TqxProcessItem& item, const TFormTables& tables) {
  if (!tables.Modules) return false;
  for (int i = 0; i < item.ModuleList.Count(); ++i)
    if (ShownAsUnsigned(item.ModuleList.Items(i))) return true;
  return false;
}

void SaveProcesses(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document) {
  const TXmlElement processes = list.XmlClassElement(document);
  // One read of the system table serves every selected process.
  if (tables.Handles) list.FillHandleLists(list.SelectedItems());
  if (tables.Details) list.ReadDetails(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    if (tables.Modules) item->FillModuleList();
    // With /unsigned a process stays for its own file or for one of its modules.
    if (tables.UnsignedOnly && !ShownAsUnsigned(*item) && !HasUnsignedModule(*item, tables))
      continue;
    const TXmlElement element = item->SaveToXml(processes, false, false);
    // After the file facts, in the order of the CSV form's columns.
    if (tables.Signatures)
      SaveXmlAttributes(SignatureExportColumns<TqxProcessItem>(), *item, element);
    if (tables.Details) SaveXmlAttributes(ProcessDetailExportColumns(), *item, element);
    if (tables.Tree) SaveXmlAttributes(TreeExportColumns(), *item, element);
    if (tables.Modules)
      SaveModuleListToXml(item->ModuleList, element, tables.Signatures, tables.UnsignedOnly);
    if (tables.Handles) SaveHandleListToXml(item->HandleList, element);
  }
}

}  // namespace

void SaveFormDocument(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document) {
  if (tables.AnyProcessTable()) SaveProcesses(list, tables, document);
  if (tables.FindHits) SaveFindListToXml(tables.FindHits->Hits, document);
}

void WriteXmlDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  if (!tables.Any()) return;
  TXmlDocument document;
  SaveFormDocument(list, tables, document);
  // Line by line, so that every line ends as the console output's lines do;
  // the writer gives line breaks inside attribute values as references.
  const std::string text = document.SaveToText();
  for (size_t start = 0; start < text.size();) {
    const size_t end = text.find('\n', start);
    out.Line(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
}

}  // namespace kvt
