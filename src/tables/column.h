#pragma once
// A column of a table the program writes, declared once for every form: the
// text (a column template's key, a table's title and width, or a fact's
// label), the CSV title, the XML attribute (which JSON shares), its kind, and
// how its value is read and loaded back.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "inventory/column_template.h"

namespace kvt {

// Decimal and Hex columns are numbers: the column template's number passes
// fill them, and JSON writes a Decimal as a number (Hex stays text, as the
// other forms show it). Time (ISO 8601, UTC) and List (";" between entries)
// are text in every form.
enum class TColumnKind { Decimal, Hex, Text, Time, List };

template <typename TItem>
struct TColumn {
  using TReadNumber = std::function<uint64_t(TItem&)>;
  using TReadText = std::function<std::string(TItem&)>;

  // The text. Pass: where the item's key table applies this column's key,
  // from 1; 0 when no column template names it. Title: the header's title,
  // or a fact's label. TextWidth: what a table without a template gives the
  // column (padded, never cut; 0 for the last column).
  int Pass = 0;
  const char* Key = nullptr;
  const char* Title = nullptr;
  size_t TextWidth = 0;
  // The forms; a null title leaves the column out of that form.
  const char* CsvTitle = nullptr;
  const char* XmlName = nullptr;
  TColumnKind Kind = TColumnKind::Text;
  // The value: Number for a number column, else Value; the forms' text is
  // Value where it is given (a number that may be unknown gives its text),
  // the text form's is Shown where that differs from the forms'.
  TReadNumber Number;
  TReadText Value;
  TReadText Shown;
  // Restores the field from the XML attribute's text; null: not restored.
  std::function<void(TItem&, const std::string&)> Load;
  // True where the rights refused the value: the text says so, a form leaves
  // it empty and marks it unknown where it can (JSON's null).
  std::function<bool(TItem&)> Denied;

  // The declaration reads as a chain: Keyed or Titled for the text, Form for
  // the forms, then the value.
  TColumn Keyed(int pass, const char* key, const char* title) const {
    TColumn column = *this;
    column.Pass = pass;
    column.Key = key;
    column.Title = title;
    return column;
  }
  TColumn Titled(const char* title, size_t width = 0) const {
    TColumn column = *this;
    column.Title = title;
    column.TextWidth = width;
    return column;
  }
  TColumn Form(const char* csvTitle, const char* xmlName) const {
    TColumn column = *this;
    column.CsvTitle = csvTitle;
    column.XmlName = xmlName;
    return column;
  }
  TColumn Decimal(TReadNumber read) const { return WithNumber(TColumnKind::Decimal, read); }
  TColumn Hex(TReadNumber read) const { return WithNumber(TColumnKind::Hex, read); }
  TColumn Reads(TColumnKind kind, TReadText read) const {
    TColumn column = *this;
    column.Kind = kind;
    column.Value = read;
    return column;
  }
  TColumn Text(TReadText read) const { return Reads(TColumnKind::Text, read); }
  TColumn ShownAs(TReadText read) const {
    TColumn column = *this;
    column.Shown = read;
    return column;
  }
  TColumn Loads(std::function<void(TItem&, const std::string&)> load) const {
    TColumn column = *this;
    column.Load = load;
    return column;
  }
  TColumn DeniedWhen(std::function<bool(TItem&)> denied) const {
    TColumn column = *this;
    column.Denied = denied;
    return column;
  }

  // The value as the forms hold it.
  std::string FormText(TItem& item) const {
    if (Value) return Value(item);
    return Kind == TColumnKind::Hex ? HexDigits(Number(item)) : std::to_string(Number(item));
  }
  // The value as the text shows it.
  std::string ShownText(TItem& item) const { return Shown ? Shown(item) : FormText(item); }
  bool IsDenied(TItem& item) const { return Denied && Denied(item); }

 private:
  TColumn WithNumber(TColumnKind kind, TReadNumber read) const {
    TColumn column = *this;
    column.Kind = kind;
    column.Number = read;
    return column;
  }
};

}  // namespace kvt
