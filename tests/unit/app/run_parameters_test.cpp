#include "app/run_parameters.h"

#include <gtest/gtest.h>

#include "app/command_line.h"
#include "os/fake/fake_os.h"

namespace kvt {
namespace {

// The one rule by which every command finds its selector: the modifiers and
// the words switches take leave first; then parameter 2, unless it is a
// switch, else the first later word that is none.
TEST(RunParameters, TheSelectorOfEachCommandLine) {
  const struct {
    const char* Line;
    const char* Selector;  // nullptr: none
    int32_t ProcessId;
  } kCases[] = {
      {"/kill notepad.exe /list", "notepad.exe", 0},
      {"/list /kill", nullptr, 0},
      {"/list /modules svchost.exe", "svchost.exe", 0},
      {"/csv /details /verify svchost.exe", "svchost.exe", 0},
      {"/xml /list /modules", nullptr, 0},
      {"/unsigned 460", "460", 460},
      {"/list /unsigned 460", "460", 460},
      {"/find x 1234", "1234", 1234},
      {"/list $1F4", "$1F4", 500},
      {"/list 0", "0", 0},
      {"notepad.exe /list", nullptr, 0},
      {"/list", nullptr, 0},
  };
  FakeOs os;
  for (const auto& c : kCases) {
    TCommandLine commandLine(os, std::string("kvtProc.exe ") + c.Line);
    const TRunParameters parameters = ReadRunParameters(commandLine);
    EXPECT_EQ(parameters.Error, "") << c.Line;
    EXPECT_EQ(parameters.Selector.Given, c.Selector != nullptr) << c.Line;
    if (c.Selector == nullptr) continue;
    EXPECT_EQ(parameters.Selector.Text, c.Selector) << c.Line;
    EXPECT_EQ(parameters.Selector.IsProcessId, c.ProcessId != 0) << c.Line;
    EXPECT_EQ(parameters.Selector.ProcessId, c.ProcessId) << c.Line;
  }
}

TEST(RunParameters, ModifiersAndWordsLeaveOnceAndMayBeGivenOnce) {
  FakeOs os;
  TCommandLine commandLine(os, "kvtProc.exe /find 2024 /CSV /all /handles");
  const TRunParameters parameters = ReadRunParameters(commandLine);
  EXPECT_TRUE(parameters.Csv && parameters.All && parameters.Find);
  EXPECT_EQ(parameters.FindPattern, "2024");
  EXPECT_FALSE(parameters.Selector.Given);
  for (const char* line : {"/csv /list -csv", "/find a /find b", "/list /unsigned /unsigned"}) {
    TCommandLine twice(os, std::string("kvtProc.exe ") + line);
    EXPECT_NE(ReadRunParameters(twice).Error.find("is given twice"), std::string::npos) << line;
  }
  // Without a command that changes processes, unknown words are let be.
  TCommandLine listing(os, "kvtProc.exe /list 612 /lists extra");
  EXPECT_EQ(ReadRunParameters(listing).Error, "");
}

TEST(RunParameters, APatternNamesNothingWhenOnlyItsTagIsLeft) {
  const struct {
    const char* Word;
    bool NamesNothing;
  } kCases[] = {
      {"<bm>", true},   {"<wc>", true},     {"<substr>  ", true}, {"<bool>", true},
      {"<regexpr>", true}, {" ", true},     {"<bm>x", false},     {"*", false},
      {"<BM>", false},  {"612", false},
  };
  for (const auto& c : kCases)
    EXPECT_EQ(SelectorFromWord(c.Word).NamesNothing(), c.NamesNothing) << c.Word;
  EXPECT_TRUE(TSelector().NamesNothing());
}

}  // namespace
}  // namespace kvt
