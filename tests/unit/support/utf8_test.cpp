#include "support/utf8.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

const std::u16string kBad(1, u'\uFFFD');

std::u16string Decode(const std::string& bytes) { return Utf8ToUtf16(bytes.data(), bytes.size()); }

TEST(Utf8, EncodesEveryLengthAndReplacesLoneSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(u"a\u00E4\u20AC\U0001F600"), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x', 0xDE00}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
  EXPECT_EQ(Decode(Utf16ToUtf8(u"\U0010FFFF\uFFFF")), u"\U0010FFFF\uFFFF");
}

TEST(Utf8, DecodingReplacesEveryStretchThatIsNotWellFormed) {
  const struct {
    const char* Bytes;
    std::u16string Expected;
  } kCases[] = {
      {"a\xC3\xA4\xF0\x9F\x98\x80", u"a\u00E4\U0001F600"},
      {"\xC0\xAF", kBad + kBad},                        // overlong "/"
      {"\xE0\x80\xAF", kBad + kBad + kBad},             // overlong, three bytes
      {"\xED\xA0\x80", kBad + kBad + kBad},             // a surrogate
      {"\xF4\x90\x80\x80", kBad + kBad + kBad + kBad},  // above U+10FFFF
      {"\xE2\x82x", kBad + u"x"},                       // cut short: one replacement
      {"x\xF0\x9F\x98", u"x" + kBad},                   // cut by the end
      {"\x80\xFF", kBad + kBad},
  };
  for (const auto& c : kCases) EXPECT_EQ(Decode(c.Bytes), c.Expected) << c.Bytes;
}

TEST(Utf8, AnsiTextGoesThroughTheCodePageOfThePlatform) {
  FakeOs os;  // Western: 0x80 is the euro sign
  EXPECT_EQ(AnsiToUtf8(os, "\x80 \xE4"), "\xE2\x82\xAC \xC3\xA4");
  EXPECT_EQ(Utf8ToAnsi(os, "\xE2\x82\xAC \xC3\xA4"), "\x80 \xE4");
  EXPECT_EQ(Utf8ToAnsi(os, "\xE2\x98\x83"), "?");  // not in the code page
}

}  // namespace
}  // namespace kvt
