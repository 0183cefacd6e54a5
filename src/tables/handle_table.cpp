#include "tables/handle_table.h"

#include "tables/text_views.h"

namespace kvt {
namespace {

using H = TqxHandleItem;
using C = TColumn<H>;

}  // namespace

const TTable<TqxHandleItem>& HandleTable() {
  static const TTable<H> kTable = {
      C().Keyed(2, "PID", "PID").Form("PID", "ProcessID").Decimal([](H& h) { return h.ProcessID; }),
      C().Keyed(5, "HANDLE", "Handle").Form("Handle", "Handle").Hex([](H& h) { return h.Handle; }),
      C().Keyed(3, "OTYPENR", "Type").Form("Type", "ObjectTypeNumber")
          .Decimal([](H& h) { return h.ObjectTypeNumber; }),
      // The text heads both type columns "Type"; the forms need two names.
      C().Keyed(4, "OTYPETEXT", "Type").Form("TypeName", "ObjectTypeName")
          .Text([](H& h) { return h.ObjectTypeText(); }),
      C().Keyed(1, "NAME", "Name").Form("Name", "Name").Text([](H& h) { return h.Name; }),
      C().Keyed(6, "ACCESS", "Access").Form("Access", "GrantedAccess")
          .Hex([](H& h) { return h.GrantedAccess; }),
      C().Keyed(7, "FLAGS", "Flags").Form("Flags", "Flags").Decimal([](H& h) { return h.Flags; }),
  };
  return kTable;
}

std::string TqxHandleItem::FormatHeader(const std::string& tmpl) {
  return TemplateHeader(HandleTable(), tmpl);
}

std::string TqxHandleItem::FormatLine(const std::string& tmpl) {
  return TemplateLine(HandleTable(), *this, tmpl);
}

}  // namespace kvt
