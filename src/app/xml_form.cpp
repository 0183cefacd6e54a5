#include "app/console_output.h"
#include "app/output_forms.h"
#include "processes/export_forms.h"

namespace kvt {

void SaveFormDocument(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document) {
  const TXmlElement processes = list.XmlClassElement(document);
  // One read of the system table serves every selected process.
  if (tables.Handles) list.FillHandleLists(list.SelectedItems());
  if (tables.Details) list.ReadDetails(list.SelectedItems());
  for (TqxProcessItem* item : list.SelectedItems()) {
    const TXmlElement element = item->SaveToXml(processes, false, false);
    // After the file facts, as in the CSV form.
    if (tables.Details) SaveXmlAttributes(ProcessDetailExportColumns(), *item, element);
    if (tables.Tree) SaveXmlAttributes(TreeExportColumns(), *item, element);
    if (tables.Modules) {
      item->FillModuleList();
      SaveModuleListToXml(item->ModuleList, element);
    }
    if (tables.Handles) SaveHandleListToXml(item->HandleList, element);
  }
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
