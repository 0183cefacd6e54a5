#include "processes/handle_list.h"

#include <memory>
#include <unordered_map>
#include <vector>

#include "native/handle_enumerator.h"
#include "native/object_types.h"
#include "processes/process_list.h"

namespace kvt {
void TqxHandleItem::Assign(const TCollectionItem& source) {
  const auto* other = dynamic_cast<const TqxHandleItem*>(&source);
  if (other == nullptr) {
    TCollectionItem::Assign(source);
    return;
  }
  Flags = other->Flags;
  GrantedAccess = other->GrantedAccess;
  Handle = other->Handle;
  Name = other->Name;
  ObjectTypeNumber = other->ObjectTypeNumber;
  ProcessID = other->ProcessID;
  ObjectPointer = other->ObjectPointer;
}

std::string TqxHandleItem::DisplayName() const {
  return Name.empty() ? TCollectionItem::DisplayName() : Name;
}

std::string TqxHandleItem::ObjectTypeText() const {
  const auto& owner = static_cast<const TqxHandleCollection&>(Collection());
  return kvt::ObjectTypeText(owner.Native(), ObjectTypeNumber);
}

TqxHandleCollection::TqxHandleCollection(const TNativeApi& native)
    : TCollection([](TCollection& owner) { return std::make_unique<TqxHandleItem>(owner); }),
      native_(native) {}

void TqxProcessItem::FillHandleList() { Owner().FillHandleLists({this}); }

void TqxProcessList::FillHandleLists(const std::vector<TqxProcessItem*>& items) {
  if (items.empty()) return;  // the table is not read for nobody
  std::unordered_map<uint32_t, std::vector<TqxProcessItem*>> byProcessId;
  TqxHandleEnumerator enumerator(context_.Native);
  for (TqxProcessItem* item : items) {
    item->HandleList.Clear();
    byProcessId[item->ProcessID].push_back(item);
    enumerator.WantedProcessIds.insert(item->ProcessID);
  }
  enumerator.OnHandle = [&byProcessId](const THandleTableEntry& entry, const std::string& name) {
    for (TqxProcessItem* item : byProcessId[static_cast<uint32_t>(entry.ProcessId)])
      item->HandleFeedback(entry, name);
  };
  if (!enumerator.Enumerate()) throw EHandleTableError();
  for (TqxProcessItem* item : items)
    item->HandleList.NamesDenied = context_.IsNT6OrLater() &&
                                   enumerator.DeniedProcessIds().count(item->ProcessID) != 0;
}

void TqxProcessItem::HandleFeedback(const THandleTableEntry& entry, const std::string& name) {
  // The old table carries 16-bit process ids: a process above 65535 never matches.
  if (entry.ProcessId != ProcessID) return;
  if (!Owner().ShowUnnamedHandles && name.empty()) return;
  TqxHandleItem& item = HandleList.Add();
  item.Flags = entry.Flags;
  item.GrantedAccess = entry.GrantedAccess;
  item.Handle = entry.Handle;
  item.ObjectTypeNumber = entry.ObjectType;
  item.ProcessID = ProcessID;
  item.Name = name;
  item.ObjectPointer = entry.Object;
}

}  // namespace kvt
