// The text, stream and XML forms of a record collection.
#include <exception>

#include "inventory/system_log.h"

namespace kvt {
namespace {

constexpr const char* kDocumentEncoding = "utf-8";
constexpr const char* kStreamErrorComment = "// An error occured while saving this item!";

}  // namespace

bool TSystemLogItem::PassesFilter(bool skipHarmless, bool onlyActive) const {
  return !(skipHarmless && IsHarmless()) && !(onlyActive && !IsActive());
}

void TSystemLogItem::FilteredSnapshotFields(TStringList& list, bool skipHarmless,
                                            bool onlyActive) {
  if (PassesFilter(skipHarmless, onlyActive)) AddSnapshotFields(list);
}

void TSystemLogItem::FilteredSectionLines(TStringList& list, bool skipHarmless, bool onlyActive) {
  if (PassesFilter(skipHarmless, onlyActive)) AddSectionLines(list);
}

void TSystemLogItem::FilteredLogLines(TStringList& list, bool skipHarmless, bool onlyActive) {
  if (PassesFilter(skipHarmless, onlyActive)) AddLogLines(list);
}

void TSystemLogItem::FilteredListEntry(TStringList& list, bool skipHarmless, bool onlyActive) {
  if (PassesFilter(skipHarmless, onlyActive)) AddListEntry(list);
}

TXmlElement TSystemLogItem::SaveToXml(TXmlElement parent, bool skipHarmless, bool onlyActive) {
  if (!PassesFilter(skipHarmless, onlyActive)) return TXmlElement();
  return parent.AppendChild(ClassTag);
}

void TSystemLogCollection::AddSnapshotLines(TStringList& list, bool skipHarmless,
                                            bool onlyActive) {
  TStringList fields;
  for (int i = 0; i < Count(); ++i) {
    fields.Clear();
    Items(i).FilteredSnapshotFields(fields, skipHarmless, onlyActive);
    list.Add(fields.CommaText());
  }
}

void TSystemLogCollection::AddSections(TStringList& list, bool skipHarmless, bool onlyActive) {
  for (int i = 0; i < Count(); ++i) {
    list.Add("[" + std::to_string(i) + "]");
    Items(i).FilteredSectionLines(list, skipHarmless, onlyActive);
  }
}

void TSystemLogCollection::AddLogLines(TStringList& list, bool skipHarmless, bool onlyActive) {
  for (int i = 0; i < Count(); ++i) Items(i).FilteredLogLines(list, skipHarmless, onlyActive);
}

void TSystemLogCollection::AddListEntries(TStringList& list, bool skipHarmless, bool onlyActive) {
  for (int i = 0; i < Count(); ++i) Items(i).FilteredListEntry(list, skipHarmless, onlyActive);
}

void TSystemLogCollection::SaveToStream(TStream& stream, bool flag) {
  for (int i = 0; i < Count(); ++i) {
    try {
      Items(i).SaveToStream(stream, flag);
    } catch (const std::exception& error) {
      stream.WriteText(std::string(kStreamErrorComment) + error.what() + "\r\n");
    }
  }
}

const TStringList& TSystemLogCollection::SnapShot() {
  if (!snapShot_) snapShot_ = BuildSnapShot();
  return *snapShot_;
}

std::unique_ptr<TStringList> TSystemLogCollection::BuildSnapShot() {
  auto list = std::make_unique<TStringList>();
  AddSnapshotLines(*list, false, false);
  return list;
}

TXmlElement TSystemLogCollection::XmlClassElement(TXmlDocument& document) {
  if (!document.FindElement(kRootElement)) {
    document.SetEncoding(kDocumentEncoding);
    document.CreateElement(kRootElement);
  }
  return document.CreateElement(std::string(kRootElement) + "/" + ClassTag);
}

TXmlElement TSystemLogCollection::SaveToXml(TXmlDocument& document) {
  TXmlElement element = XmlClassElement(document);
  for (int i = 0; i < Count(); ++i) Items(i).SaveToXml(element, false, false);
  return element;
}

TXmlElement TSystemLogCollection::AddFromXml(TXmlDocument& document) {
  TXmlElement element = XmlClassElement(document);
  for (const TXmlElement& child : element.Children()) Add().LoadFromXml(child);
  return element;
}

TXmlElement TSystemLogCollection::LoadFromXml(TXmlDocument& document) {
  Clear();
  return AddFromXml(document);
}

}  // namespace kvt
