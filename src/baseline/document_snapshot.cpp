#include "baseline/document_snapshot.h"

#include "baseline/snapshot_builder.h"
#include "inventory/system_log.h"
#include "inventory/xml_document.h"

namespace kvt {
namespace {

bool Facts(const TXmlElement& element, TSnapshotBuilder& builder) {
  for (const TXmlAttribute& fact : element.Attributes())
    if (!builder.Fact(fact.Name, fact.Value)) return false;
  return true;
}

// The builder refuses a list below anything but the root and a process, so
// the walk goes no deeper than the documents this program writes.
bool List(const TXmlElement& list, TSnapshotBuilder& builder) {
  if (!builder.BeginList(list.Name())) return false;
  if (!list.Attributes().empty()) return builder.Refuse("the list " + list.Name() + " holds facts");
  for (const TXmlElement& item : list.Children()) {
    if (!builder.BeginItem() || !Facts(item, builder)) return false;
    for (const TXmlElement& inner : item.Children())
      if (!List(inner, builder)) return false;
    if (!builder.EndItem()) return false;
  }
  return builder.EndList();
}

}  // namespace

bool SnapshotOfDocument(const TXmlDocument& document, TSnapshot& snapshot, std::string& fault) {
  TSnapshotBuilder builder(snapshot);
  const TXmlElement root = document.RootElement();
  bool shaped = root && root.Name() == TSystemLogCollection::kRootElement;
  if (!shaped) builder.Refuse("its root element is not " + std::string(TSystemLogCollection::kRootElement));
  shaped = shaped && Facts(root, builder);
  if (shaped)
    for (const TXmlElement& list : root.Children())
      if (!(shaped = List(list, builder))) break;
  shaped = shaped && builder.End();
  fault = builder.Fault;
  return shaped;
}

}  // namespace kvt
