#include "support/csv.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(Csv, FieldsAreQuotedExactlyWhenAReaderWouldMisreadThem) {
  const struct {
    const char* Text;
    const char* Field;
  } kCases[] = {
      {"", ""},
      {"plain.exe", "plain.exe"},
      {"inner blank", "inner blank"},
      {"a,b", "\"a,b\""},
      {"say \"hi\"", "\"say \"\"hi\"\"\""},
      {"\"", "\"\"\"\""},
      {"line\rbreak", "\"line\rbreak\""},
      {"line\nbreak", "\"line\nbreak\""},
      {" leading", "\" leading\""},
      {"trailing ", "\"trailing \""},
      {" ", "\" \""},
  };
  for (const auto& c : kCases) EXPECT_EQ(CsvField(c.Text), c.Field) << c.Text;
}

TEST(Csv, RecordsJoinTheirFieldsWithCommas) {
  EXPECT_EQ(CsvRecord({"1", "", "a,b", ""}), "1,,\"a,b\",");
  EXPECT_EQ(CsvRecord({}), "");
}

}  // namespace
}  // namespace kvt
