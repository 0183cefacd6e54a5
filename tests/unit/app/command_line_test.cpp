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
  FakeOs os;
  const std::pair<std::string, std::string> cases[] = {
      {"kvt.exe /list  \"a b\"", " /list  \"a b\""},
      {"\"C:\\Program Files\\kvt.exe\"\t/list", "\t/list"},
      {"C:\\k\"v t\".exe x", " x"},
      {"kvt.exe", ""},
      {"", ""},
      {std::string("kvt.exe a\0b", 11), " a"},
  };
  for (const auto& c : cases) EXPECT_EQ(ParametersText(os, c.first), c.second) << c.first;
}

TEST(CommandLine, CountAndMissingParameters) {
  FakeOs os;
  TCommandLine bare(os, "kvt.exe   ");
  EXPECT_EQ(bare.Count(), 0);
  EXPECT_EQ(bare.Param(2), "");
  TCommandLine empty(os, "");
  EXPECT_EQ(empty.Count(), 0);
}

TEST(CommandLine, DoubleByteCharactersAreTakenWhole) {
  FakeOs os;
  os.LeadBytes = {0x81};
  // 0x81 0x20 is one character; in a single-byte code page the blank would split.
  EXPECT_EQ(Split(os, "kvt a\x81 b"), (Words{"kvt", "a\x81 b"}));
  os.LeadBytes.clear();
  EXPECT_EQ(Split(os, "kvt a\x81 b"), (Words{"kvt", "a\x81", "b"}));
}

TEST(CommandLine, SwitchTestUsesTheLocaleComparisonOnTheWholeRest) {
  FakeOs os;
  TCommandLine line(os, "kvt /LIST -Kill /lists --modules x/handles /");
  os.Calls.clear();
  EXPECT_TRUE(line.HasSwitch("list"));
  EXPECT_GT(os.CallCount("CompareStringA"), 0u);
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
