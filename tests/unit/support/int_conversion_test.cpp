#include "support/int_conversion.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

int32_t Read(const std::string& text) {
  int32_t value = 12345;
  EXPECT_TRUE(TryStrToInt(text, value)) << text;
  return value;
}

bool IsNumber(const std::string& text) {
  int32_t value = 0;
  return TryStrToInt(text, value);
}

TEST(IntConversion, DecimalWithBlanksAndSigns) {
  EXPECT_EQ(Read("500"), 500);
  EXPECT_EQ(Read("   42"), 42);
  EXPECT_EQ(Read("+7"), 7);
  EXPECT_EQ(Read("-7"), -7);
  EXPECT_EQ(Read("0"), 0);
  EXPECT_EQ(Read("007"), 7);
}

TEST(IntConversion, DecimalRangeIsSigned32Bit) {
  EXPECT_EQ(Read("2147483647"), 2147483647);
  EXPECT_EQ(Read("-2147483648"), INT32_MIN);
  EXPECT_FALSE(IsNumber("2147483648"));
  EXPECT_FALSE(IsNumber("-2147483649"));
  EXPECT_FALSE(IsNumber("99999999999999999999999"));
}

TEST(IntConversion, HexPrefixesKeepTheBitPattern) {
  EXPECT_EQ(Read("$1F4"), 500);
  EXPECT_EQ(Read("x1f4"), 500);
  EXPECT_EQ(Read("X1F4"), 500);
  EXPECT_EQ(Read("0x1F4"), 500);
  EXPECT_EQ(Read("0X1f4"), 500);
  EXPECT_EQ(Read("$FFFFFFFF"), -1);
  EXPECT_EQ(Read("$80000000"), INT32_MIN);
  EXPECT_EQ(Read("-$10"), -16);
  EXPECT_EQ(Read("$000000001"), 1);  // leading zeros are not significant
  EXPECT_FALSE(IsNumber("$100000000"));  // nine significant digits
}

TEST(IntConversion, AnythingElseIsNoNumber) {
  for (const char* text : {"", " ", "+", "-", "$", "0x", "x", "500abc", "12 ", "1.5", "$G",
                           "--1", "\t5", "1e3", "0x-1"})
    EXPECT_FALSE(IsNumber(text)) << '"' << text << '"';
}

TEST(IntConversion, FailureLeavesValueUntouched) {
  int32_t value = 77;
  EXPECT_FALSE(TryStrToInt("abc", value));
  EXPECT_EQ(value, 77);
}

}  // namespace
}  // namespace kvt
