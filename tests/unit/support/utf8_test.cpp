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

TEST(Utf8, CharactersAreCountedAndCutWhole) {
  // "\xE2\x82" is a cut sequence: each of its bytes is a character of its own.
  const struct {
    const char* Text;
    std::u32string CodePoints;
    size_t Cut;
    const char* Left;
  } kCases[] = {
      {"a.exe", U"a.exe", 3, "a.e"},
      {"\xD1\x81\xD0\xBE\xD0\xBD.exe", U"\u0441\u043E\u043D.exe", 2, "\xD1\x81\xD0\xBE"},
      {"\xE5\x8A\xA9\xE6\x89\x8B.exe", U"\u52A9\u624B.exe", 1, "\xE5\x8A\xA9"},
      {"\xF0\x90\x90\xB7.exe", U"\U00010437.exe", 1, "\xF0\x90\x90\xB7"},
      {"\xF0\x90\x90\xB7", U"\U00010437", 9, "\xF0\x90\x90\xB7"},
      {"x\xE2\x82y", {U'x', 0xDCE2, 0xDC82, U'y'}, 2, "x\xE2"},
      {"\xC0\xAF\xFF", {0xDCC0, 0xDCAF, 0xDCFF}, 2, "\xC0\xAF"},
      {"\xC3\xA4", U"\u00E4", 0, ""},
      {"", U"", 1, ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(Utf8CodePoints(c.Text), c.CodePoints) << c.Text;
    EXPECT_EQ(Utf8CharacterCount(c.Text), c.CodePoints.size()) << c.Text;
    EXPECT_EQ(Utf8Left(c.Text, c.Cut), c.Left) << c.Text;
  }
}

TEST(Utf8, WideFormHoldsACharacterOutsideThePlaneAsThePlatformDoes) {
  const std::wstring wide = Utf8ToWide("\xF0\x90\x90\xB7\xD1\x81" "a\x80");
  const std::wstring deseret = sizeof(wchar_t) == 2
                                   ? std::wstring{wchar_t(0xD801), wchar_t(0xDC37)}
                                   : std::wstring(1, static_cast<wchar_t>(0x10437));
  EXPECT_EQ(wide, deseret + std::wstring(L"\x441" L"a") + wchar_t(0xDC80));
}

}  // namespace
}  // namespace kvt
