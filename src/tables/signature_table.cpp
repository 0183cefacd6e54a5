#include "tables/signature_table.h"

#include "support/path_parts.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

using R = TSignatureRow;
using C = TColumn<R>;

}  // namespace

const TTable<TSignatureRow>& SignatureTable() {
  static const TTable<R> kTable =
      TTable<R>{
          C().Keyed(1, "PID", "PID").Decimal([](R& r) { return r.ProcessID; }),
          C().Keyed(2, "FILENAME", "Filename")
              .Text([](R& r) { return SplitPath(r.CompleteFilename()).Name; }),
      }
          .Joined(SignatureColumns<R>())
          .Joined({C().Keyed(5, "PATH", "Path")
                       .Text([](R& r) { return SplitPath(r.CompleteFilename()).Directory; })});
  return kTable;
}

std::string TSignatureRow::FormatHeader(const std::string& tmpl) {
  return TemplateHeader(SignatureTable(), tmpl);
}

std::string TSignatureRow::FormatLine(const std::string& tmpl) {
  return TemplateLine(SignatureTable(), *this, tmpl);
}

}  // namespace kvt
