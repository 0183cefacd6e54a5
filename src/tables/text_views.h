#pragma once
// The text form of any table: through a column template (its key table),
// as columns of fixed widths under their titles, as labelled facts, or as
// one indented line per row.
#include <string>
#include <vector>

#include "inventory/column_template.h"
#include "tables/table.h"

namespace kvt {

// What the text shows for a value the rights refused.
extern const char* const kDeniedText;

template <typename TItem>
std::string TextValue(const TColumn<TItem>& column, TItem& item) {
  return column.IsDenied(item) ? std::string(kDeniedText) : column.ShownText(item);
}

// The header: a text pass with each key's title, in the order of the passes.
template <typename TItem>
std::string TemplateHeader(const TTable<TItem>& table, const std::string& tmpl) {
  std::string line = tmpl;
  for (const TColumn<TItem>& column : table.Passes())
    line = FillTextColumn(line, column.Key, column.Title);
  return line;
}

// A row: a number pass for each number column, a text pass for the others.
// Each pass sees what the earlier ones inserted, as the key table's order
// has it.
template <typename TItem>
std::string TemplateLine(const TTable<TItem>& table, TItem& item, const std::string& tmpl) {
  std::string line = tmpl;
  for (const TColumn<TItem>& column : table.Passes()) {
    if (column.Number)
      line = FillNumberColumn(line, column.Key, column.Number(item),
                              column.Kind == TColumnKind::Hex);
    else
      line = FillTextColumn(line, column.Key, TextValue(column, item));
  }
  return line;
}

// Texts padded to the titled columns' widths, two blanks apart; widths count
// characters, not UTF-8 bytes.
std::string AlignedText(const std::vector<std::string>& texts, const std::vector<size_t>& widths);

template <typename TItem>
std::vector<size_t> TextWidths(const TTable<TItem>& table) {
  std::vector<size_t> widths;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.Title) widths.push_back(column.TextWidth);
  return widths;
}

template <typename TItem>
std::string AlignedHeader(const TTable<TItem>& table) {
  std::vector<std::string> titles;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.Title) titles.push_back(column.Title);
  return AlignedText(titles, TextWidths(table));
}

template <typename TItem>
std::string AlignedLine(const TTable<TItem>& table, TItem& item) {
  std::vector<std::string> values;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.Title) values.push_back(TextValue(column, item));
  return AlignedText(values, TextWidths(table));
}

// Labels and values, the values in one column after the longest label and
// its colon; an empty value leaves its label alone on the line.
std::vector<std::string> LabelledLines(const std::vector<std::pair<std::string, std::string>>& facts);

template <typename TItem>
std::vector<std::string> FactLines(const TTable<TItem>& table, TItem& item) {
  std::vector<std::pair<std::string, std::string>> facts;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.Title) facts.emplace_back(column.Title, TextValue(column, item));
  return LabelledLines(facts);
}

// Two blanks per level of Depth, then the titled columns two blanks apart;
// empty values at the end add nothing.
std::string IndentedText(int depth, std::vector<std::string> texts);

template <typename TItem>
std::string IndentedLine(const TTable<TItem>& table, TItem& item, int depth) {
  std::vector<std::string> values;
  for (const TColumn<TItem>& column : table.Columns())
    if (column.Title) values.push_back(TextValue(column, item));
  return IndentedText(depth, values);
}

}  // namespace kvt
