#include "inventory/system_log.h"

#include <cstring>

namespace kvt {

const char* TargetOSText(TSystemLogTargetOS os) { return os == winBit64 ? "64 bit" : "32 bit"; }

bool TGuid::operator==(const TGuid& other) const {
  return D1 == other.D1 && D2 == other.D2 && D3 == other.D3 &&
         std::memcmp(D4, other.D4, sizeof D4) == 0;
}

const TGuid IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

uint32_t TInterfacedCollection::QueryInterface(const TGuid& iid, void** object) {
  if (iid == IID_IUnknown) {
    *object = this;
    return 0;
  }
  *object = nullptr;
  return kENoInterface;
}

TSystemLogItem::TSystemLogItem(TCollection& collection, const char* classTag)
    : TCollectionItem(collection), ClassTag(classTag) {}

std::string TSystemLogItem::LASSH() const { return kEmptyInputDigest; }

TSystemLogCollection& TSystemLogItem::Owner() const {
  return static_cast<TSystemLogCollection&>(Collection());
}

TSystemLogCollection::TSystemLogCollection(TInventoryContext& context, TItemFactory itemClass,
                                           const char* classTag)
    : TInterfacedCollection(std::move(itemClass)), ClassTag(classTag), context_(context) {}

TSystemLogItem& TSystemLogCollection::Add() {
  auto& item = static_cast<TSystemLogItem&>(TCollection::Add());
  item.TargetOS = TargetOS;
  return item;
}

}  // namespace kvt
