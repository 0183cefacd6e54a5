#include "support/text.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(AsciiUpperCaseTest, OnlyTheLettersAToZChange) {
  EXPECT_EQ(AsciiUpperCase("az@[`{AZ09"), "AZ@[`{AZ09");
  EXPECT_EQ(AsciiUpperCase("\xE4\xFF\x81" "a"), "\xE4\xFF\x81" "A");
  EXPECT_EQ(AsciiUpperCase(std::string("a\0b", 3)), std::string("A\0B", 3));
}

}  // namespace
}  // namespace kvt
