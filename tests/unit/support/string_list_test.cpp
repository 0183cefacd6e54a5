#include "support/string_list.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

std::string CommaTextOf(std::initializer_list<std::string> entries) {
  TStringList list;
  for (const std::string& entry : entries) list.Add(entry);
  return list.CommaText();
}

TEST(StringListCommaText, PlainEntriesAreJoinedWithCommas) {
  EXPECT_EQ(CommaTextOf({}), "");
  EXPECT_EQ(CommaTextOf({"a"}), "a");
  EXPECT_EQ(CommaTextOf({"a", "b", "c:\\x.exe"}), "a,b,c:\\x.exe");
  // Only blanks, control characters, commas and quotes call for quotes.
  EXPECT_EQ(CommaTextOf({"\x7F\xE4;'="}), "\x7F\xE4;'=");
}

TEST(StringListCommaText, EntriesThatWouldNotSplitBackAreQuoted) {
  EXPECT_EQ(CommaTextOf({"a b", "x"}), "\"a b\",x");
  EXPECT_EQ(CommaTextOf({"1,5"}), "\"1,5\"");
  EXPECT_EQ(CommaTextOf({"say \"hi\""}), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(CommaTextOf({"\""}), "\"\"\"\"");
  EXPECT_EQ(CommaTextOf({"tab\there"}), "\"tab\there\"");
  EXPECT_EQ(CommaTextOf({"line\r\n"}), "\"line\r\n\"");
  EXPECT_EQ(CommaTextOf({std::string("nul\0x", 5)}), std::string("\"nul\0x\"", 7));
  EXPECT_EQ(CommaTextOf({"\x1F"}), "\"\x1F\"");
}

TEST(StringListCommaText, EmptyEntries) {
  // A single empty entry must differ from an empty list.
  EXPECT_EQ(CommaTextOf({""}), "\"\"");
  EXPECT_EQ(CommaTextOf({"", ""}), ",");
  EXPECT_EQ(CommaTextOf({"a", ""}), "a,");
  EXPECT_EQ(CommaTextOf({"", "b"}), ",b");
}

}  // namespace
}  // namespace kvt
