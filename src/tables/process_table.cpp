#include "tables/process_table.h"

#include <cstdint>
#include <limits>
#include <string>

#include "support/int_conversion.h"
#include "tables/form_views.h"
#include "tables/text_views.h"

namespace kvt {
namespace {

using P = TqxProcessItem;
using C = TColumn<P>;

// A text that is no such number leaves Field as it is.
template <typename TNumber>
void LoadNumber(const std::string& text, TNumber& field) {
  uint64_t value = 0;
  if (TryDecimalToUnsigned(text, static_cast<uint64_t>(std::numeric_limits<TNumber>::max()), value))
    field = static_cast<TNumber>(value);
}

// The columns of what the executable's file tells read it on first use.
const P& WithFileFacts(P& p) {
  p.ReadFileFacts();
  return p;
}

// The inventory holds 0 for a size it could not tell.
std::string SizeText(P& p) {
  const int64_t size = WithFileFacts(p).StoredFilesize();
  return size > 0 ? std::to_string(size) : std::string();
}

void LoadSize(P& p, const std::string& text) {
  int64_t size = 0;
  LoadNumber(text, size);
  p.SetFilesize(size);
}

}  // namespace

const TTable<TqxProcessItem>& ProcessTable() {
  static const TTable<P> kTable = {
      C().Keyed(1, "PID", "PID").Form("PID", "ProcessID")
          .Decimal([](P& p) { return p.ProcessID; })
          .Loads([](P& p, const std::string& t) { LoadNumber(t, p.ProcessID); }),
      C().Keyed(2, "PPID", "PPID").Form("PPID", "ParentID")
          .Decimal([](P& p) { return p.ParentID; })
          .Loads([](P& p, const std::string& t) { LoadNumber(t, p.ParentID); }),
      // No XML attribute: the document's "Filename" is the whole path, as
      // the inventory names that field.
      C().Keyed(3, "FILENAME", "Filename").Form("Filename", nullptr)
          .Text([](P& p) { return p.FilenameOnly(); }),
      // The text shows the folder beside the file name's column; the forms
      // hold the whole path.
      C().Keyed(7, "PATH", "Path").Form("Path", "Filename")
          .Text([](P& p) { return p.CompleteFilename(); })
          .ShownAs([](P& p) { return p.DirectoryPart(); })
          .Loads([](P& p, const std::string& t) { p.Filename = t; }),
      C().Keyed(4, "DESCRIPTION", "Description").Form("Description", "FileDescription")
          .Text([](P& p) { return WithFileFacts(p).FileDescription; })
          .Loads([](P& p, const std::string& t) { p.FileDescription = t; }),
      C().Keyed(5, "VERSION", "Version").Form("Version", "FileVersion")
          .Text([](P& p) { return WithFileFacts(p).FileVersion; })
          .Loads([](P& p, const std::string& t) { p.FileVersion = t; }),
      C().Keyed(6, "COMPANY", "Company").Form("Company", "FileCompany")
          .Text([](P& p) { return WithFileFacts(p).FileCompany; })
          .Loads([](P& p, const std::string& t) { p.FileCompany = t; }),
      C().Form("Size", "Filesize").Reads(TColumnKind::Decimal, SizeText).Loads(LoadSize),
      C().Form("MD5", "MD5").Text([](P& p) { return p.FileMD5(); })
          .Loads([](P& p, const std::string& t) { p.SetMD5(t); }),
      C().Form("SHA256", "SHA256").Text([](P& p) { return p.FileSHA256(); })
          .Loads([](P& p, const std::string& t) { p.SetSHA256(t); }),
  };
  return kTable;
}

std::string TqxProcessItem::FormatHeader(const std::string& tmpl) {
  return TemplateHeader(ProcessTable(), tmpl);
}

std::string TqxProcessItem::FormatLine(const std::string& tmpl) {
  ReadFileFacts();
  return TemplateLine(ProcessTable(), *this, tmpl);
}

TXmlElement TqxProcessItem::SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) {
  const TXmlElement element = TSystemLogItem::SaveToXml(parent, skipHarmless, onlyActive);
  if (element) SaveXmlAttributes(ProcessTable(), *this, element);
  return element;
}

bool TqxProcessItem::LoadFromXml(TXmlElement element) {
  LoadXmlAttributes(ProcessTable(), *this, element);
  fileFactsRead_ = true;  // the document's facts are the ones to show
  return true;
}

}  // namespace kvt
