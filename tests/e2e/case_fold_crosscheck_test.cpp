// The scripted system upper-cases the letters of a few scripts, and the
// matching tests rely on it doing so as the platform does: every character of
// those blocks goes through both and must come out the same.
#include <gtest/gtest.h>

#include <string>

#include "os/fake/fake_os.h"
#include "os/win32/win32_os.h"
#include "support/utf8.h"

namespace kvt_e2e {
namespace {

std::string Utf8Of(char32_t code) {
  if (code < 0x10000) return kvt::Utf16ToUtf8(std::u16string(1, static_cast<char16_t>(code)));
  const char32_t above = code - 0x10000;
  return kvt::Utf16ToUtf8({static_cast<char16_t>(0xD800 + (above >> 10)),
                           static_cast<char16_t>(0xDC00 + (above & 0x3FF))});
}

TEST(CaseFolding, TheFakeUpperCasesItsScriptsAsThePlatformDoes) {
  // ASCII to Latin Extended-A, the modern Greek letters, Cyrillic, fullwidth
  // Latin, Deseret.
  const struct {
    char32_t First;
    char32_t Last;
  } kBlocks[] = {{0x0001, 0x017F}, {0x0386, 0x03CE}, {0x0400, 0x04FF},
                 {0xFF01, 0xFF5E}, {0x10400, 0x1044F}};
  kvt::Win32Os platform;
  kvt::FakeOs fake;
  int folded = 0;
  for (const auto& block : kBlocks) {
    for (char32_t code = block.First; code <= block.Last; ++code) {
      const std::string text = Utf8Of(code);
      const auto upper = [&text](kvt::Os& os) {
        return os.LCMapStringW(kvt::kLocaleUserDefault, kvt::kLcmapUppercase, text);
      };
      const std::string expected = upper(platform);
      EXPECT_EQ(upper(fake), expected) << std::hex << static_cast<uint32_t>(code);
      folded += expected != text ? 1 : 0;
    }
  }
  // Not a vacuous agreement: the blocks hold some 340 lower-case letters.
  EXPECT_GE(folded, 300);
}

}  // namespace
}  // namespace kvt_e2e
