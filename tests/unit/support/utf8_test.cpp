#include "support/utf8.h"

#include <gtest/gtest.h>

namespace kvt {
namespace {

TEST(Utf8, EveryStretchThatIsNotWellFormedBecomesOneReplacement) {
  const std::u16string bad(1, u'\uFFFD');
  const struct {
    const char* Bytes;
    std::u16string Expected;
  } kCases[] = {
      {"a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80", u"a\u00E4\u20AC\U0001F600"},
      {"\xC0\xAF", bad + bad},                        // overlong "/"
      {"\xE0\x80\xAF", bad + bad + bad},              // overlong, three bytes
      {"\xED\xA0\x80", bad + bad + bad},              // a surrogate
      {"\xF4\x90\x80\x80", bad + bad + bad + bad},    // above U+10FFFF
      {"\xE2\x82x", bad + u"x"},                      // cut short
      {"x\xF0\x9F\x98", u"x" + bad},                  // cut by the end
      {"\x80\xFF", bad + bad},
  };
  for (const auto& c : kCases) {
    const std::string bytes = c.Bytes;
    EXPECT_EQ(Utf8ToUtf16(bytes.data(), bytes.size()), c.Expected) << bytes;
  }
  EXPECT_EQ(Utf16ToUtf8(u"\U0001F600"), "\xF0\x9F\x98\x80");
  EXPECT_EQ(Utf16ToUtf8(std::u16string{0xD83D, u'x', 0xDE00}), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kvt
