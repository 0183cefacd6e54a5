#include "inventory/column_template.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(FillTextColumn, PadsCutsOrInsertsWhole) {
  EXPECT_EQ(FillTextColumn("[<$K:5>]", "K", ""), "[     ]");
  EXPECT_EQ(FillTextColumn("[<$K:5>]", "K", "ab"), "[ab   ]");
  EXPECT_EQ(FillTextColumn("[<$K:5>]", "K", "abcdefg"), "[abcde]");
  EXPECT_EQ(FillTextColumn("[<$K:*>]", "K", "abcdefg"), "[abcdefg]");
  EXPECT_EQ(FillTextColumn("[<$K:*>]", "K", ""), "[]");
  EXPECT_EQ(FillTextColumn("[<$K:$5>]", "K", "ab"), "[ab   ]");  // widths use the integer rules
}

TEST(FillTextColumn, WidthsCountCharactersNotBytes) {
  const struct {
    const char* Template;
    const char* Value;
    const char* Expected;
  } kCases[] = {
      {"[<$K:5>]", "\xD1\x81\xD0\xBE\xD0\xBD.exe", "[\xD1\x81\xD0\xBE\xD0\xBD.e]"},
      {"[<$K:9>]", "\xD1\x81\xD0\xBE\xD0\xBD.exe", "[\xD1\x81\xD0\xBE\xD0\xBD.exe  ]"},
      {"[<$K:1>]", "\xE5\x8A\xA9\xE6\x89\x8B.exe", "[\xE5\x8A\xA9]"},
      {"[<$K:6>]", "\xE5\x8A\xA9\xE6\x89\x8B.exe", "[\xE5\x8A\xA9\xE6\x89\x8B.exe]"},
      {"[<$K:1>]", "\xF0\x90\x90\xB7.exe", "[\xF0\x90\x90\xB7]"},
      {"[<$K:3>]", "\xF0\x90\x90\xB7", "[\xF0\x90\x90\xB7  ]"},
      {"[<$K:*>]", "\xF0\x90\x90\xB7.exe", "[\xF0\x90\x90\xB7.exe]"},
      {"[<$K:2>]", "\xE2\x82x", "[\xE2\x82]"},  // a cut sequence: two characters
  };
  for (const auto& c : kCases)
    EXPECT_EQ(FillTextColumn(c.Template, "K", c.Value), c.Expected) << c.Template << c.Value;
}

TEST(FillNumberColumn, DecimalRightAlignedNeverCut) {
  EXPECT_EQ(FillNumberColumn("<$PID:4>|", "PID", 7, false), "   7|");
  EXPECT_EQ(FillNumberColumn("<$PID:4>|", "PID", 12345, false), "12345|");
  EXPECT_EQ(FillNumberColumn("<$PID:*>|", "PID", 4294967295u, false), "4294967295|");
  EXPECT_EQ(FillNumberColumn("<$PID:*>|", "PID", 4294967296u, false), "4294967296|");
}

TEST(FillNumberColumn, HexIsEightUpperCaseDigitsOrSixteenBeyond32Bits) {
  for (const char* tmpl : {"<$A:4>", "<$A:12>", "<$A:*>"}) {
    EXPECT_EQ(FillNumberColumn(tmpl, "A", 255, true), "000000FF") << tmpl;
    EXPECT_EQ(FillNumberColumn(tmpl, "A", 0x7FF6A1230000, true), "00007FF6A1230000") << tmpl;
  }
  EXPECT_EQ(FillNumberColumn("<$A:8>", "A", 420, true), "000001A4");
  EXPECT_EQ(FillNumberColumn("<$A:8>", "A", 0xFFFFFFFF, true), "FFFFFFFF");
  EXPECT_EQ(FillNumberColumn("<$A:8>", "A", 0x100000000, true), "0000000100000000");
}

TEST(ColumnTemplate, InvalidPlaceholdersStayVerbatim) {
  for (const char* tmpl : {"<$PID:0>", "<$PID:>", "<$PID:4x>", "<$PID:4", "<$pid:4>", "no keys"})
    EXPECT_EQ(FillNumberColumn(tmpl, "PID", 1, false), tmpl) << tmpl;
  EXPECT_EQ(FillTextColumn("<$PPID:4>", "PID", "x"), "<$PPID:4>");
  EXPECT_EQ(FillTextColumn("<$K:$55555555>", "K", "x"), "<$K:$55555555>");
  EXPECT_EQ(FillTextColumn("<$K:4096>", "K", "x").size(), 4096u);
}

TEST(ColumnTemplate, OnlyTheFirstPlaceholderOfAKeyIsReplaced) {
  EXPECT_EQ(FillNumberColumn("<$PID:4><$PID:4>", "PID", 1, false), "   1<$PID:4>");
  // An invalid first placeholder blocks the key for this pass.
  EXPECT_EQ(FillNumberColumn("<$PID:0> <$PID:4>", "PID", 1, false), "<$PID:0> <$PID:4>");
}

TEST(ColumnTemplate, LaterPassesSeeInsertedText) {
  std::string line = FillTextColumn("<$DESCRIPTION:*> <$VERSION:3>", "DESCRIPTION", "<$VERSION:2>");
  line = FillTextColumn(line, "VERSION", "1.0");
  EXPECT_EQ(line, "1. <$VERSION:3>");
}

}  // namespace
}  // namespace kvt
