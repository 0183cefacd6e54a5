#include "support/csv.h"

namespace kvt {

namespace {

// Readers that trim fields take these off an unquoted field's ends.
bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::string CsvField(const std::string& text) {
  const bool quoted = text.find_first_of(",\"\r\n") != std::string::npos ||
                      (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())));
  if (!quoted) return text;
  std::string field = "\"";
  for (char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + '"';
}

std::string CsvRecord(const std::vector<std::string>& fields) {
  std::string record;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i > 0) record += ',';
    record += CsvField(fields[i]);
  }
  return record;
}

}  // namespace kvt
