#pragma once
// The owned-item collection every inventory rests on: a collection creates its
// items through the item class's factory, owns them, and destroys them with
// itself. An item knows its collection and its index.
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kvt {

class TCollection;

class TCollectionItem {
 public:
  explicit TCollectionItem(TCollection& collection) : collection_(&collection) {}
  virtual ~TCollectionItem() = default;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  virtual const char* ClassName() const { return "TCollectionItem"; }
  // Copies what the item class defines from Source; refuses an unrelated class.
  virtual void Assign(const TCollectionItem& source);
  virtual std::string DisplayName() const { return ClassName(); }

  TCollection& Collection() const { return *collection_; }
  int Index() const;

 private:
  TCollection* collection_;
};

class TCollection {
 public:
  using TItemFactory = std::function<std::unique_ptr<TCollectionItem>(TCollection&)>;

  explicit TCollection(TItemFactory itemClass) : itemClass_(std::move(itemClass)) {}
  virtual ~TCollection() = default;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  TCollectionItem& Add();
  int Count() const { return static_cast<int>(items_.size()); }
  // Raises the list-index error for an index outside 0 to Count - 1.
  TCollectionItem& Items(int index) const;
  void Delete(int index);
  void Clear();
  int IndexOf(const TCollectionItem& item) const;

 protected:
  // Called just after Item joined the collection at its end.
  virtual void Added(TCollectionItem&) {}
  // Called just before Item is freed, so that holders of references to it
  // (a selection) can let go.
  virtual void Deleting(TCollectionItem&) {}

 private:
  TItemFactory itemClass_;
  std::vector<std::unique_ptr<TCollectionItem>> items_;
};

}  // namespace kvt
