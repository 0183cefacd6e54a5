#pragma once
// A table: its columns in the forms' order. The column template's key table
// is the same declaration's view: the keyed columns in the order of their
// passes.
#include <algorithm>
#include <initializer_list>
#include <vector>

#include "tables/column.h"

namespace kvt {

template <typename TItem>
class TTable {
 public:
  TTable(std::initializer_list<TColumn<TItem>> columns) : columns_(columns) { IndexPasses(); }

  const std::vector<TColumn<TItem>>& Columns() const { return columns_; }
  // The keyed columns, in the order the key table applies them.
  const std::vector<TColumn<TItem>>& Passes() const { return passes_; }

  // This table's columns followed by More's: a row that carries both.
  TTable Joined(const TTable& more) const {
    TTable joined = *this;
    joined.columns_.insert(joined.columns_.end(), more.columns_.begin(), more.columns_.end());
    joined.IndexPasses();
    return joined;
  }

 private:
  void IndexPasses() {
    passes_.clear();
    for (const TColumn<TItem>& column : columns_)
      if (column.Pass > 0) passes_.push_back(column);
    std::stable_sort(passes_.begin(), passes_.end(),
                     [](const TColumn<TItem>& a, const TColumn<TItem>& b) { return a.Pass < b.Pass; });
  }

  std::vector<TColumn<TItem>> columns_;
  std::vector<TColumn<TItem>> passes_;  // copies: a copied table keeps its own
};

}  // namespace kvt
