#pragma once
// An item class that is printed declares its columns as a table of keys; the
// header and the item lines are produced from that table in its order.
#include <cstdint>
#include <functional>
#include <string>

#include "inventory/column_template.h"

namespace kvt {

enum class TColumnKind { Decimal, Hex, Text };

template <typename TItem>
struct TColumnKey {
  const char* Key;
  const char* Title;
  TColumnKind Kind;
  std::function<uint64_t(const TItem&)> Number;  // for Decimal and Hex
  std::function<std::string(const TItem&)> Text;  // for Text
};

template <typename TItem, size_t N>
std::string FormatHeaderFromKeys(const TColumnKey<TItem> (&keys)[N], const std::string& tmpl) {
  std::string line = tmpl;
  for (const auto& key : keys) line = FillTextColumn(line, key.Key, key.Title);
  return line;
}

template <typename TItem, size_t N>
std::string FormatLineFromKeys(const TColumnKey<TItem> (&keys)[N], const TItem& item,
                               const std::string& tmpl) {
  std::string line = tmpl;
  for (const auto& key : keys) {
    if (key.Kind == TColumnKind::Text)
      line = FillTextColumn(line, key.Key, key.Text(item));
    else
      line = FillNumberColumn(line, key.Key, key.Number(item), key.Kind == TColumnKind::Hex);
  }
  return line;
}

}  // namespace kvt
