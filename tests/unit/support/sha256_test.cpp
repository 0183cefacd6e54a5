#include "support/sha256.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kvt {
namespace {

using TEngine = TSHA256::TEngine;

std::string Sha256Hex(TEngine engine, const std::string& text) {
  TSHA256 sha(engine);
  sha.Update(text.data(), text.size());
  return DigestToHex(sha.Final());
}

// Every test runs on both engines; on a processor without the instructions
// the second is the portable one again, and says so.
class SHA256Test : public ::testing::TestWithParam<TEngine> {
 protected:
  void SetUp() override {
    if (GetParam() == TEngine::Instructions && !TSHA256::InstructionsAvailable())
      GTEST_SKIP() << "this processor has no SHA instructions";
  }
};

TEST_P(SHA256Test, KnownAnswers) {
  EXPECT_EQ(Sha256Hex(GetParam(), ""),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex(GetParam(), "abc"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(Sha256Hex(GetParam(), "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(Sha256Hex(GetParam(), std::string(1000000, 'a')),
            "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

TEST_P(SHA256Test, PiecesOfAnySizeGiveTheDigestOfTheWhole) {
  std::string message;
  for (int i = 0; i < 300; ++i) message += static_cast<char>(i * 7 + 3);
  const std::string whole = Sha256Hex(TEngine::Portable, message);
  for (size_t piece = 1; piece <= 130; ++piece) {
    TSHA256 sha(GetParam());
    for (size_t at = 0; at < message.size(); at += piece)
      sha.Update(message.data() + at, std::min(piece, message.size() - at));
    EXPECT_EQ(DigestToHex(sha.Final()), whole) << "pieces of " << piece;
  }
}

// The padding's edges: a message that leaves room for the bit count in its
// last block, one that needs a block of its own for it, and many blocks at once.
TEST(SHA256, InstructionsAgreeWithThePortableCodeAroundTheBlockEdges) {
  if (!TSHA256::InstructionsAvailable()) GTEST_SKIP() << "this processor has no SHA instructions";
  std::string message;
  for (size_t length = 0; length <= 1100; ++length) {
    if (length < 200 || length % 64 <= 1 || length % 64 >= 55) {
      EXPECT_EQ(Sha256Hex(TEngine::Instructions, message), Sha256Hex(TEngine::Portable, message))
          << length;
    }
    message += static_cast<char>(length * 131 + 17);
  }
}

INSTANTIATE_TEST_SUITE_P(Engines, SHA256Test,
                         ::testing::Values(TEngine::Portable, TEngine::Instructions),
                         [](const ::testing::TestParamInfo<TEngine>& info) {
                           return info.param == TEngine::Portable ? "Portable" : "Instructions";
                         });

}  // namespace
}  // namespace kvt
