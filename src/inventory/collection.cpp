#include "inventory/collection.h"

#include "support/errors.h"
#include "support/format.h"

namespace kvt {

void TCollectionItem::Assign(const TCollectionItem& source) {
  throw EConvertError(Format("Cannot assign a %s to a %s", source.ClassName(), ClassName()));
}

int TCollectionItem::Index() const { return collection_->IndexOf(*this); }

TCollectionItem& TCollection::Add() {
  items_.push_back(itemClass_(*this));
  Added(*items_.back());
  return *items_.back();
}

TCollectionItem& TCollection::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError(Format("List index out of bounds (%d)", index));
  return *items_[static_cast<size_t>(index)];
}

void TCollection::Delete(int index) {
  Deleting(Items(index));  // range-checked
  items_.erase(items_.begin() + index);
}

void TCollection::Clear() {
  while (!items_.empty()) {
    Deleting(*items_.back());
    items_.pop_back();
  }
}

int TCollection::IndexOf(const TCollectionItem& item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == &item) return static_cast<int>(i);
  return -1;
}

}  // namespace kvt
