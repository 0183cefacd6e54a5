#include "app/console_output.h"
#include "forms/document_facts.h"
#include "forms/output_forms.h"
#include "processes/find.h"
#include "processes/endpoint_rows.h"
#include "tables/endpoint_table.h"
#include "tables/find_table.h"
#include "tables/form_views.h"
#include "tables/handle_table.h"

namespace kvt {
namespace {

constexpr const char* kHandleListTag = "TqxHandleList";
constexpr const char* kFindListPath = "Vantora/TqxFindList";
constexpr const char* kFindItemTag = "TqxFindItem";
constexpr const char* kEndpointListTag = "TqxEndpointList";
constexpr const char* kUnownedEndpointListPath = "Vantora/TqxEndpointList";
constexpr const char* kEndpointItemTag = "TqxEndpointItem";

// A row: an element named Tag below Parent, its columns as attributes.
template <typename TItem>
void SaveRow(const TTable<TItem>& table, TItem& item, const std::string& tag, TXmlElement parent) {
  SaveXmlAttributes(table, item, parent.AppendChild(tag));
}

bool KeepsAnyModule(TqxProcessItem& item, const TFormTables& tables) {
  if (!tables.Modules) return false;
  for (int i = 0; i < item.ModuleList.Count(); ++i)
    if (KeepsRow(tables, item.ModuleList.Items(i))) return true;
  return false;
}

void SaveModules(TqxModuleList& modules, const TFormTables& tables, TXmlElement parent) {
  const TXmlElement element = parent.AppendChild(modules.ClassTag);
  const TTable<TqxModuleItem> columns = ModuleRowColumns(tables);
  for (int i = 0; i < modules.Count(); ++i)
    if (KeepsRow(tables, modules.Items(i)))
      SaveRow(columns, modules.Items(i), modules.Items(i).ClassTag, element);
}

void SaveHandles(TqxHandleCollection& handles, TXmlElement parent) {
  const TXmlElement element = parent.AppendChild(kHandleListTag);
  for (int i = 0; i < handles.Count(); ++i)
    SaveRow(HandleTable(), handles.Items(i), handles.Items(i).ClassName(), element);
}

void SaveEndpoints(const std::vector<TEndpointRow>& rows, TXmlElement element) {
  for (TEndpointRow row : rows) SaveRow(EndpointTable(), row, kEndpointItemTag, element);
}

// A process stays for its own row or for a module row it holds; asked for
// endpoints alone, for the endpoints it holds.
bool KeepsProcess(TqxProcessItem& item, const TFormTables& tables) {
  if (!tables.AnyProcessTable()) return !tables.EndpointRows->RowsOf(item).empty();
  return KeepsRow(tables, item) || KeepsAnyModule(item, tables);
}

void SaveProcesses(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document) {
  const TXmlElement processes = list.XmlClassElement(document);
  const TTable<TqxProcessItem> columns = ProcessRowColumns(tables);
  for (TqxProcessItem* item : list.SelectedItems()) {
    if (!KeepsProcess(*item, tables)) continue;
    const TXmlElement element = processes.AppendChild(item->ClassTag);
    SaveXmlAttributes(columns, *item, element);
    if (tables.Modules) SaveModules(item->ModuleList, tables, element);
    if (tables.Handles) SaveHandles(item->HandleList, element);
    if (tables.EndpointRows)
      SaveEndpoints(tables.EndpointRows->RowsOf(*item), element.AppendChild(kEndpointListTag));
  }
}

}  // namespace

void SaveFormDocument(TqxProcessList& list, const TFormTables& tables, TXmlDocument& document) {
  ReadFormFacts(list, tables);
  if (tables.Facts) SaveDocumentFacts(*tables.Facts, document);
  if (tables.AnyProcessTable() || tables.EndpointRows) SaveProcesses(list, tables, document);
  // Beside the processes: the endpoints of none of them.
  if (tables.EndpointRows && !tables.EndpointRows->Unowned.empty())
    SaveEndpoints(tables.EndpointRows->Unowned, document.CreateElement(kUnownedEndpointListPath));
  if (tables.FindHits) {
    const TXmlElement element = document.CreateElement(kFindListPath);
    for (TqxFindItem& hit : tables.FindHits->Hits) SaveRow(FindTable(), hit, kFindItemTag, element);
  }
}

void WriteXmlDocument(TqxProcessList& list, const TFormTables& tables, TConsoleOutput& out) {
  if (!tables.Any()) return;
  TXmlDocument document;
  SaveFormDocument(list, tables, document);
  WriteXmlText(document, out);
}

void WriteXmlText(const TXmlDocument& document, TConsoleOutput& out) {
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
