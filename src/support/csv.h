#pragma once
// Comma-separated values as spreadsheets and scripts read them (RFC 4180).
#include <string>
#include <vector>

namespace kvt {

// Text as one field: between double quotes, with inner ones doubled, when it
// holds a comma, a double quote, CR or LF, or begins or ends with a space
// or tab (which readers would otherwise trim); as it is otherwise.
std::string CsvField(const std::string& text);
// The fields as one record, without the line end.
std::string CsvRecord(const std::vector<std::string>& fields);

}  // namespace kvt
