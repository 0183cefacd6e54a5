#pragma once
// The open handles of one process, as the handles command lists them: kept
// from the system-wide handle table by the process item's HandleFeedback.
#include <cstdint>
#include <string>

#include "inventory/collection.h"
#include "native/native_api.h"
#include "support/errors.h"

namespace kvt {

// The system handle table was asked for and could not be read: no list of
// handles can be told, and an empty one would say that nobody holds any.
class EHandleTableError : public ESystemTableError {
 public:
  EHandleTableError() : ESystemTableError("The system handle table could not be read.") {}
  const char* ClassName() const override { return "EHandleTableError"; }
};

class TqxHandleItem : public TCollectionItem {
 public:
  explicit TqxHandleItem(TCollection& collection) : TCollectionItem(collection) {}
  const char* ClassName() const override { return "TqxHandleItem"; }

  uint32_t Flags = 0;
  uint32_t GrantedAccess = 0;
  uint64_t Handle = 0;
  std::string Name;  // as the enumerator delivered it; empty for unnamed objects
  uint16_t ObjectTypeNumber = 0;
  uint32_t ProcessID = 0;
  uint64_t ObjectPointer = 0;  // never printed

  void Assign(const TCollectionItem& source) override;
  std::string DisplayName() const override;

  // The type name of ObjectTypeNumber in this run.
  std::string ObjectTypeText() const;

  static std::string FormatHeader(const std::string& tmpl);
  std::string FormatLine(const std::string& tmpl);
};

class TqxHandleCollection : public TCollection {
 public:
  // Native: the run's native interface, which names the object types.
  explicit TqxHandleCollection(const TNativeApi& native);

  TqxHandleItem& Add() { return static_cast<TqxHandleItem&>(TCollection::Add()); }
  TqxHandleItem& Items(int index) const {
    return static_cast<TqxHandleItem&>(TCollection::Items(index));
  }
  const TNativeApi& Native() const { return native_; }

  // Set by the last fill, on Windows 6.0 and later: the process refused this
  // program the right to duplicate its handles, so their names stay empty.
  bool NamesDenied = false;

 private:
  const TNativeApi& native_;
};

}  // namespace kvt
