#include "support/json.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(Json, StringsAreEscapedAndWellFormedNumbersAreNumbers) {
  const struct {
    std::string Text;
    std::string String;
    std::string Number;
  } kCases[] = {
      {"", "\"\"", "null"},
      {"C:\\Windows\\explorer.exe", "\"C:\\\\Windows\\\\explorer.exe\"", ""},
      {"Shell, \"Desktop\"", "\"Shell, \\\"Desktop\\\"\"", ""},
      {"a\r\nb\tc", "\"a\\u000D\\u000Ab\\u0009c\"", ""},
      {std::string("\x01\x1F\x7F", 3), "\"\\u0001\\u001F\x7F\"", ""},
      {std::string("a\0b", 3), "\"a\\u0000b\"", ""},
      // Cyrillic, CJK and a character outside the BMP pass as they are; "/" needs no escape.
      {"\xD0\x9F/\xE5\x8A\xA9\xF0\x90\x90\xB7", "\"\xD0\x9F/\xE5\x8A\xA9\xF0\x90\x90\xB7\"", ""},
      // A stray byte and a cut sequence become U+FFFD; so does each byte of
      // an encoded surrogate, none of which begins a well-formed sequence.
      {"k\xE4s", "\"k\xEF\xBF\xBDs\"", ""},
      {"x\xE2\x82", "\"x\xEF\xBF\xBD\"", ""},
      {"\xED\xA0\x80!", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!\"", ""},
      {"0", "\"0\"", "0"},
      {"4294967295", "\"4294967295\"", "4294967295"},
      {"-1.5e+3", "\"-1.5e+3\"", "-1.5e+3"},
      {"0.25", "\"0.25\"", "0.25"},
      // Not numbers in JSON: they stay strings.
      {"007", "\"007\"", "\"007\""},
      {"n/a", "\"n/a\"", "\"n/a\""},
      {"1.", "\"1.\"", "\"1.\""},
      {"1e", "\"1e\"", "\"1e\""},
      {"+1", "\"+1\"", "\"+1\""},
      {"-", "\"-\"", "\"-\""},
      {"0x1C", "\"0x1C\"", "\"0x1C\""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(JsonString(c.Text), c.String) << c.Text;
    EXPECT_EQ(JsonNumber(c.Text), c.Number.empty() ? c.String : c.Number) << c.Text;
  }
}

}  // namespace
}  // namespace kvt
