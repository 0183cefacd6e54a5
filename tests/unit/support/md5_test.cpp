#include "support/md5.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

std::string Md5Hex(const std::string& text) {
  TMD5 md5;
  md5.Update(text.data(), text.size());
  return DigestToHex(md5.Final());
}

TEST(MD5, TheTestSuiteOfItsDefinition) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
  EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
  EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
  EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
            "d174ab98d277d9f5a5611c2c9f419d9f");
  EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890"
                   "1234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(MD5, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  std::string message;
  for (int i = 0; i < 300; ++i) message += static_cast<char>(i * 7 + 3);
  const std::string whole = Md5Hex(message);
  for (size_t piece = 1; piece <= 130; ++piece) {
    TMD5 md5;
    for (size_t at = 0; at < message.size(); at += piece)
      md5.Update(message.data() + at, std::min(piece, message.size() - at));
    EXPECT_EQ(DigestToHex(md5.Final()), whole) << "pieces of " << piece;
  }
}

}  // namespace
}  // namespace kvt
