#include "tables/module_table.h"

#include <string>

#include "processes/process_list.h"
#include "tables/form_views.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

using M = TqxModuleItem;
using C = TColumn<M>;

// Modules the process-status pass alone reported carry no process id of their
// own; a table of all selected processes' modules needs it on every row.
uint32_t OwnerProcessID(const M& m) {
  return static_cast<const TqxModuleList&>(m.Collection()).OwnerProcess().ProcessID;
}

}  // namespace

const TTable<TqxModuleItem>& ModuleTable() {
  static const TTable<M> kTable = {
      // The text shows the id the module's source gave (0 from the
      // process-status pass); the forms' rows name their owner.
      C().Keyed(1, "PID", "PID").Form("PID", "ProcessID")
          .Decimal([](M& m) { return m.ProcessID; })
          .Reads(TColumnKind::Decimal, [](M& m) { return std::to_string(OwnerProcessID(m)); }),
      C().Keyed(2, "MID", "MID").Form("MID", "ModuleID").Decimal([](M& m) { return m.ModuleID; }),
      // No XML attribute: the document's "Filename" is the whole path.
      C().Keyed(5, "FILENAME", "Filename").Form("Filename", nullptr)
          .Text([](M& m) { return m.FilenamePart(); }),
      C().Keyed(3, "ADDR", "Address").Form("Address", "ModuleBaseAddr")
          .Hex([](M& m) { return m.ModuleBaseAddr; }),
      C().Keyed(4, "SIZE", "Size").Form("Size", "ModuleBaseSize")
          .Hex([](M& m) { return m.ModuleBaseSize; }),
      // The text shows the stored name's folder; the forms the whole path.
      C().Keyed(6, "PATH", "Path").Form("Path", "Filename")
          .Text([](M& m) { return m.CompleteFilename(); })
          .ShownAs([](M& m) { return m.DirectoryPart(); }),
  };
  return kTable;
}

std::string TqxModuleItem::FormatHeader(const std::string& tmpl) {
  return TemplateHeader(ModuleTable(), tmpl);
}

std::string TqxModuleItem::FormatLine(const std::string& tmpl) {
  return TemplateLine(ModuleTable(), *this, tmpl);
}

TXmlElement TqxModuleItem::SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) {
  const TXmlElement element = TSystemLogItem::SaveToXml(parent, skipHarmless, onlyActive);
  if (element) SaveXmlAttributes(ModuleTable(), *this, element);
  return element;
}

}  // namespace kvt
