#include "app/command_line.h"

#include <gtest/gtest.h>

#include "os/fake/fake_os.h"

namespace kvt {
namespace {

std::vector<std::string> Split(const TCommandLine& line) {
  std::vector<std::string> words;
  for (int i = 0; i <= line.Count(); ++i) words.push_back(line.Param(i));
  return words;
}

std::vector<std::string> Split(FakeOs& os, const std::string& text) {
  return Split(TCommandLine(os, text));
}

using Words = std::vector<std::string>;

TEST(CommandLine, SeparatorsQuotesAndEmptyPairs) {
  FakeOs os;
  EXPECT_EQ(Split(os, "kvt.exe /list  x"), (Words{"kvt.exe", "/list", "x"}));
  EXPECT_EQ(Split(os, "\"C:\\Program Files\\kvt.exe\"\t/list\x01x"),
            (Words{"C:\\Program Files\\kvt.exe", "/list", "x"}));
  EXPECT_EQ(Split(os, "kvt \"\" \"\"\"\" /list"), (Words{"kvt", "/list"}));
  EXPECT_EQ(Split(os, "kvt a\"b c\"d \"e\"\"f\""), (Words{"kvt", "ab cd", "ef"}));
  EXPECT_EQ(Split(os, "kvt \"unclosed rest"), (Words{"kvt", "unclosed rest"}));
  EXPECT_EQ(Split(os, "kvt \"\"\""), (Words{"kvt", ""}));  // a lone quote opens an empty word
  EXPECT_EQ(Split(os, std::string("kvt a\0b", 7)), (Words{"kvt", "a"}));
}

TEST(CommandLine, ParametersTextIsWhatFollowsTheProgramNameAsWritten) {
  const std::pair<std::string, std::string> cases[] = {
      {"kvt.exe /list  \"a b\"", " /list  \"a b\""},
      {"\"C:\\Program Files\\kvt.exe\"\t/list", "\t/list"},
      {"C:\\k\"v t\".exe x", " x"},
      {"kvt.exe", ""},
      {"", ""},
      {std::string("kvt.exe a\0b", 11), " a"},
      {"C:\\\xD0\xA1\xD0\xBE\\k.exe /kill \xD1\x81*\xE5\x8A\xA9.exe", " /kill \xD1\x81*\xE5\x8A\xA9.exe"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParametersText(c.first), c.second) << c.first;
}

TEST(CommandLine, CountAndMissingParameters) {
  FakeOs os;
  TCommandLine bare(os, "kvt.exe   ");
  EXPECT_EQ(bare.Count(), 0);
  EXPECT_EQ(bare.Param(2), "");
  TCommandLine empty(os, "");
  EXPECT_EQ(empty.Count(), 0);
}

TEST(CommandLine, CharactersOutsideAsciiAreTakenAsTheyAre) {
  FakeOs os;
  // UTF-8: no byte of "с*助" (U+0441 U+002A U+52A9) is a separator or a quote.
  EXPECT_EQ(Split(os, "kvt /kill \xD1\x81*\xE5\x8A\xA9.exe \"\xF0\x90\x90\xB7 b\""),
            (Words{"kvt", "/kill", "\xD1\x81*\xE5\x8A\xA9.exe", "\xF0\x90\x90\xB7 b"}));
}

TEST(CommandLine, SwitchTestUsesTheLocaleComparisonOnTheWholeRest) {
  FakeOs os;
  TCommandLine line(os, "kvt /LIST -Kill /lists --modules x/handles /");
  os.Calls.clear();
  EXPECT_TRUE(line.HasSwitch("list"));
  EXPECT_GT(os.CallCount("CompareStringW"), 0u);
  EXPECT_TRUE(line.HasSwitch("kill"));
  EXPECT_FALSE(line.HasSwitch("modules"));
  EXPECT_FALSE(line.HasSwitch("handles"));
  EXPECT_FALSE(line.HasSwitch("?"));
  TCommandLine second(os, "kvt x -?");
  EXPECT_TRUE(second.HasSwitch("?"));  // parameter 2 is tested too
}

TEST(CommandLine, ATakenSwitchLeavesEveryPlaceItStoodIn) {
  FakeOs os;
  TCommandLine line(os, "kvt -CSV /list /csvx /csv acc*");
  EXPECT_TRUE(line.TakeSwitch("csv"));
  EXPECT_EQ(Split(line), (Words{"kvt", "/list", "/csvx", "acc*"}));
  EXPECT_FALSE(line.TakeSwitch("csv"));
}

}  // namespace
}  // namespace kvt
