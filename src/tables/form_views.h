#pragma once
// The forms of any table: CSV records of the columns that have a CSV title,
// XML attributes (and so JSON members) of those that have an XML name.
#include <string>
#include <vector>

#include "inventory/xml_document.h"
#include "support/json.h"
#include "tables/table.h"

namespace kvt {

template <typename TItem>
std::vector<std::string> CsvTitles(const TTable<TItem>& table) {
  std::vector<std::string> titles;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.CsvTitle) titles.push_back(column.CsvTitle);
  return titles;
}

template <typename TItem>
std::vector<std::string> CsvValues(const TTable<TItem>& table, TItem& item) {
  std::vector<std::string> values;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.CsvTitle) values.push_back(column.IsDenied(item) ? std::string() : column.FormText(item));
  return values;
}

template <typename TItem>
void SaveXmlAttributes(const TTable<TItem>& table, TItem& item, TXmlElement element) {
  for (const TColumn<TItem>& column : table.Columns()) {
    if (!column.XmlName) continue;
    if (column.IsDenied(item))
      element.SetUnknownAttribute(column.XmlName);
    else if (column.Kind == TColumnKind::Decimal)
      element.SetNumberAttribute(column.XmlName, column.FormText(item));
    else
      element.SetAttribute(column.XmlName, column.FormText(item));
  }
}

// A row as one JSON object on one line, its members the XML attributes,
// decimal columns as numbers: a line of JSON Lines.
template <typename TItem>
std::string JsonObjectText(const TTable<TItem>& table, TItem& item) {
  std::string text = "{";
  for (const TColumn<TItem>& column : table.Columns()) {
    if (!column.XmlName) continue;
    const std::string value = column.IsDenied(item) ? std::string() : column.FormText(item);
    text += (text.size() > 1 ? ", " : "") + JsonString(column.XmlName) + ": " +
            (column.Kind == TColumnKind::Decimal || column.IsDenied(item) ? JsonNumber(value)
                                                                          : JsonString(value));
  }
  return text + "}";
}

// An attribute the element lacks leaves its field as it is.
template <typename TItem>
void LoadXmlAttributes(const TTable<TItem>& table, TItem& item, TXmlElement element) {
  for (const TColumn<TItem>& column : table.Columns()) {
    std::string text;
    if (column.XmlName && column.Load && element.FindAttribute(column.XmlName, text))
      column.Load(item, text);
  }
}

}  // namespace kvt
