#include "support/csv.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(Csv, FieldsAreQuotedExactlyWhenAReaderWouldMisreadThem) {
  const std::vector<std::pair<std::string, std::string>> kCases = {
      {"", ""},
      {"inner blank", "inner blank"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"line\rbreak", "\"line\rbreak\""},
      {"line\nbreak", "\"line\nbreak\""},
      {" leading", "\" leading\""},
      {"trailing ", "\"trailing \""},
      {"\tleading tab", "\"\tleading tab\""},
      {"trailing tab\t", "\"trailing tab\t\""},
      {"inner\ttab", "inner\ttab"},
  };
  for (const auto& c : kCases) EXPECT_EQ(CsvField(c.first), c.second) << c.first;
}

}  // namespace
}  // namespace kvt
