#include "processes/export_forms.h"

#include <limits>
#include <string>

#include "inventory/column_template.h"
#include "support/int_conversion.h"

namespace kvt {
namespace {

constexpr const char* kHandleListTag = "TqxHandleList";
constexpr const char* kFindListPath = "Vantora/TqxFindList";
constexpr const char* kFindItemTag = "TqxFindItem";
constexpr TColumnKind kNumber = TColumnKind::Decimal;
constexpr TColumnKind kText = TColumnKind::Text;

// A text that is no such number leaves Field as it is.
template <typename TNumber>
void LoadNumber(const std::string& text, TNumber& field) {
  uint64_t value = 0;
  if (TryDecimalToUnsigned(text, static_cast<uint64_t>(std::numeric_limits<TNumber>::max()), value))
    field = static_cast<TNumber>(value);
}

std::string Decimal(uint32_t value) { return std::to_string(value); }

// The columns of what the executable's file tells read it on first use.
const TqxProcessItem& WithFileFacts(TqxProcessItem& p) {
  p.ReadFileFacts();
  return p;
}

// The inventory holds 0 for a size it could not tell.
std::string SizeText(TqxProcessItem& p) {
  const int64_t size = WithFileFacts(p).StoredFilesize();
  return size > 0 ? std::to_string(size) : std::string();
}

void LoadSize(TqxProcessItem& p, const std::string& text) {
  int64_t size = 0;
  LoadNumber(text, size);
  p.SetFilesize(size);
}

// Modules the process-status pass alone reported carry no process id of their
// own; a table of all selected processes' modules needs it on every row.
uint32_t OwnerProcessID(const TqxModuleItem& m) {
  return static_cast<const TqxModuleList&>(m.Collection()).OwnerProcess().ProcessID;
}

// A figure of the process information, empty when the process is not in it.
template <typename TRead>
std::string Figure(const TqxProcessItem& p, TRead read) {
  return p.Details.HasInformation ? read(p.Details.Information) : std::string();
}

}  // namespace

const TExportColumns<TqxProcessItem>& ProcessExportColumns() {
  using P = TqxProcessItem;
  static const TExportColumns<P> kColumns = {
      {"PID", "ProcessID", [](P& p) { return Decimal(p.ProcessID); },
       [](P& p, const std::string& t) { LoadNumber(t, p.ProcessID); }, kNumber},
      {"PPID", "ParentID", [](P& p) { return Decimal(p.ParentID); },
       [](P& p, const std::string& t) { LoadNumber(t, p.ParentID); }, kNumber},
      {"Filename", nullptr, [](P& p) { return p.FilenameOnly(); }, nullptr},
      {"Path", "Filename", [](P& p) { return p.CompleteFilename(); },
       [](P& p, const std::string& t) { p.Filename = t; }},
      {"Description", "FileDescription", [](P& p) { return WithFileFacts(p).FileDescription; },
       [](P& p, const std::string& t) { p.FileDescription = t; }},
      {"Version", "FileVersion", [](P& p) { return WithFileFacts(p).FileVersion; },
       [](P& p, const std::string& t) { p.FileVersion = t; }},
      {"Company", "FileCompany", [](P& p) { return WithFileFacts(p).FileCompany; },
       [](P& p, const std::string& t) { p.FileCompany = t; }},
      {"Size", "Filesize", SizeText, LoadSize, kNumber},
      {"MD5", "MD5", [](P& p) { return p.FileMD5(); },
       [](P& p, const std::string& t) { p.SetMD5(t); }},
      {"SHA256", "SHA256", [](P& p) { return p.FileSHA256(); },
       [](P& p, const std::string& t) { p.SetSHA256(t); }},
  };
  return kColumns;
}

const TExportColumns<TqxProcessItem>& TreeExportColumns() {
  using P = TqxProcessItem;
  static const TExportColumns<P> kColumns = {
      {"Depth", "Depth", [](P& p) { return std::to_string(p.TreeDepth); }, nullptr, kNumber},
  };
  return kColumns;
}

const TExportColumns<TqxProcessItem>& ProcessDetailExportColumns() {
  using P = TqxProcessItem;
  using I = TProcessInformationEntry;
  static const TExportColumns<P> kColumns = {
      {"CommandLine", "CommandLine", [](P& p) { return p.Details.CommandLine; }, nullptr, kText,
       0, [](P& p) { return p.Details.CommandLineDenied; }},
      {"User", "User", [](P& p) { return p.Details.User; }, nullptr, kText, 0,
       [](P& p) { return p.Details.UserDenied; }},
      {"Integrity", "Integrity", [](P& p) { return p.Details.Integrity; }, nullptr, kText, 0,
       [](P& p) { return p.Details.IntegrityDenied; }},
      {"Session", "Session",
       [](P& p) { return Figure(p, [](const I& i) { return Decimal(i.SessionId); }); }, nullptr, kNumber},
      {"Started", "Started",
       [](P& p) { return Figure(p, [](const I& i) { return UtcIsoText(i.CreateTime); }); },
       nullptr},
      {"CpuSeconds", "CpuSeconds",
       [](P& p) { return Figure(p, [](const I& i) { return CpuSecondsText(i.CpuTime); }); },
       nullptr, kNumber},
      {"WorkingSet", "WorkingSet",
       [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.WorkingSet); }); },
       nullptr, kNumber},
      {"PrivateBytes", "PrivateBytes",
       [](P& p) { return Figure(p, [](const I& i) { return std::to_string(i.PrivateBytes); }); },
       nullptr, kNumber},
      {"Threads", "Threads",
       [](P& p) { return Figure(p, [](const I& i) { return Decimal(i.Threads); }); }, nullptr, kNumber},
      {"Handles", "Handles",
       [](P& p) { return Figure(p, [](const I& i) { return Decimal(i.Handles); }); }, nullptr, kNumber},
      {"Services", "Services", [](P& p) { return JoinedServices(p.Details.Services, ";"); },
       nullptr},
  };
  return kColumns;
}

const TExportColumns<TqxModuleItem>& ModuleExportColumns() {
  using M = TqxModuleItem;
  static const TExportColumns<M> kColumns = {
      {"PID", "ProcessID", [](M& m) { return Decimal(OwnerProcessID(m)); }, nullptr, kNumber},
      {"MID", "ModuleID", [](M& m) { return Decimal(m.ModuleID); }, nullptr, kNumber},
      {"Filename", nullptr, [](M& m) { return m.FilenamePart(); }, nullptr},
      {"Address", "ModuleBaseAddr", [](M& m) { return HexDigits(m.ModuleBaseAddr); }, nullptr},
      {"Size", "ModuleBaseSize", [](M& m) { return HexDigits(m.ModuleBaseSize); }, nullptr},
      {"Path", "Filename", [](M& m) { return m.CompleteFilename(); }, nullptr},
  };
  return kColumns;
}

const TExportColumns<TqxHandleItem>& HandleExportColumns() {
  using H = TqxHandleItem;
  static const TExportColumns<H> kColumns = {
      {"PID", "ProcessID", [](H& h) { return Decimal(h.ProcessID); }, nullptr, kNumber},
      {"Handle", "Handle", [](H& h) { return HexDigits(h.Handle); }, nullptr},
      {"Type", "ObjectTypeNumber", [](H& h) { return Decimal(h.ObjectTypeNumber); }, nullptr,
       kNumber},
      {"TypeName", "ObjectTypeName", [](H& h) { return h.ObjectTypeText(); }, nullptr},
      {"Name", "Name", [](H& h) { return h.Name; }, nullptr},
      {"Access", "GrantedAccess", [](H& h) { return HexDigits(h.GrantedAccess); }, nullptr},
      {"Flags", "Flags", [](H& h) { return Decimal(h.Flags); }, nullptr, kNumber},
  };
  return kColumns;
}

const TExportColumns<TqxFindItem>& FindExportColumns() {
  using F = TqxFindItem;
  static const TExportColumns<F> kColumns = {
      {"PID", "ProcessID", [](F& f) { return Decimal(f.ProcessID); }, nullptr, kNumber, 6},
      {"Filename", "Filename", [](F& f) { return f.Filename; }, nullptr, kText, 24},
      {"Kind", "Kind", [](F& f) { return f.Kind; }, nullptr, kText, 12},
      {"Handle", "Handle", [](F& f) { return HexDigits(f.Handle); }, nullptr, kText, 16},
      {"Name", "Name", [](F& f) { return f.Name; }, nullptr, kText, 0},
  };
  return kColumns;
}

TXmlElement TqxProcessItem::SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) {
  const TXmlElement element = TSystemLogItem::SaveToXml(parent, skipHarmless, onlyActive);
  if (element) SaveXmlAttributes(ProcessExportColumns(), *this, element);
  return element;
}

bool TqxProcessItem::LoadFromXml(TXmlElement element) {
  LoadXmlAttributes(ProcessExportColumns(), *this, element);
  fileFactsRead_ = true;  // the document's facts are the ones to show
  return true;
}

TXmlElement TqxModuleItem::SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) {
  const TXmlElement element = TSystemLogItem::SaveToXml(parent, skipHarmless, onlyActive);
  if (element) SaveXmlAttributes(ModuleExportColumns(), *this, element);
  return element;
}

TXmlElement SaveModuleListToXml(TqxModuleList& modules, TXmlElement parent, bool signatures,
                                bool unsignedOnly) {
  const TXmlElement element = parent.AppendChild(modules.ClassTag);
  for (int i = 0; i < modules.Count(); ++i) {
    TqxModuleItem& module = modules.Items(i);
    if (unsignedOnly && !ShownAsUnsigned(module)) continue;
    const TXmlElement child = module.SaveToXml(element, false, false);
    if (signatures) SaveXmlAttributes(SignatureExportColumns<TqxModuleItem>(), module, child);
  }
  return element;
}

TXmlElement SaveHandleListToXml(TqxHandleCollection& handles, TXmlElement parent) {
  const TXmlElement element = parent.AppendChild(kHandleListTag);
  for (int i = 0; i < handles.Count(); ++i) {
    TqxHandleItem& handle = handles.Items(i);
    SaveXmlAttributes(HandleExportColumns(), handle, element.AppendChild(handle.ClassName()));
  }
  return element;
}

TXmlElement SaveFindListToXml(std::vector<TqxFindItem>& hits, TXmlDocument& document) {
  const TXmlElement element = document.CreateElement(kFindListPath);
  for (TqxFindItem& hit : hits)
    SaveXmlAttributes(FindExportColumns(), hit, element.AppendChild(kFindItemTag));
  return element;
}

}  // namespace kvt
