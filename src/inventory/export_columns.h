#pragma once
// The columns of an item class's machine-readable forms. One table names each
// column for the CSV header and as an XML attribute and reads its value, so
// the CSV and XML forms and loading the XML back agree on every name. A table
// that has no column template of its own gives each column a text width too,
// and its text table is rendered from the same declaration.
#include <functional>
#include <string>
#include <vector>

#include "inventory/column_keys.h"
#include "inventory/xml_document.h"
#include "support/utf8.h"

namespace kvt {

template <typename TItem>
struct TExportColumn {
  const char* CsvTitle;
  const char* XmlName;  // null: the XML form leaves the column out
  // The value in UTF-8, as the item holds it; numbers in full.
  std::function<std::string(TItem&)> Value;
  // Restores the value from its XML attribute's text; null: not restored.
  std::function<void(TItem&, const std::string&)> Load;
  // Decimal: a number where the form can tell one from text (JSON), empty
  // when unknown. Hexadecimal values stay text, as the other forms show them.
  TColumnKind Kind = TColumnKind::Text;
  // Characters the text table gives the column, padded, never cut; 0 for the
  // last column, which takes what it needs.
  size_t TextWidth = 0;
  // True where the item's value could not be read for want of rights (null:
  // never). The value is then empty, and marked unknown where a form can
  // tell that from empty text (JSON's null).
  std::function<bool(TItem&)> Denied = nullptr;
};

template <typename TItem>
using TExportColumns = std::vector<TExportColumn<TItem>>;

template <typename TItem>
std::vector<std::string> ExportTitles(const TExportColumns<TItem>& columns) {
  std::vector<std::string> titles;
  for (const auto& column : columns) titles.push_back(column.CsvTitle);
  return titles;
}

template <typename TItem>
std::vector<std::string> ExportValues(const TExportColumns<TItem>& columns, TItem& item) {
  std::vector<std::string> values;
  for (const auto& column : columns) values.push_back(column.Value(item));
  return values;
}

// One line of the text table: Values (as ExportTitles or ExportValues give
// them) padded to their columns' widths, two blanks apart. Widths count
// characters, not UTF-8 bytes.
template <typename TItem>
std::string ExportTextLine(const TExportColumns<TItem>& columns,
                           const std::vector<std::string>& values) {
  std::string line;
  for (size_t i = 0; i < columns.size() && i < values.size(); ++i) {
    if (i > 0) line += "  ";
    line += values[i];
    const size_t characters = Utf8CharacterCount(values[i]);
    if (i + 1 < columns.size() && characters < columns[i].TextWidth)
      line.append(columns[i].TextWidth - characters, ' ');
  }
  return line;
}

template <typename TItem>
void SaveXmlAttributes(const TExportColumns<TItem>& columns, TItem& item, TXmlElement element) {
  for (const auto& column : columns) {
    if (!column.XmlName) continue;
    if (column.Denied && column.Denied(item))
      element.SetUnknownAttribute(column.XmlName);
    else if (column.Kind == TColumnKind::Decimal)
      element.SetNumberAttribute(column.XmlName, column.Value(item));
    else
      element.SetAttribute(column.XmlName, column.Value(item));
  }
}

// An attribute the element lacks leaves its field as it is.
template <typename TItem>
void LoadXmlAttributes(const TExportColumns<TItem>& columns, TItem& item, TXmlElement element) {
  for (const auto& column : columns) {
    std::string text;
    if (column.XmlName && column.Load && element.FindAttribute(column.XmlName, text))
      column.Load(item, text);
  }
}

}  // namespace kvt
