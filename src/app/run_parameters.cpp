#include "app/run_parameters.h"

#include "app/command_line.h"
#include "matching/match_text.h"
#include "support/format.h"
#include "support/int_conversion.h"

namespace kvt {
namespace {

enum TSwitchUse : uint8_t {
  suCommand,          // runs at its place in the fixed order
  suCommandWithWord,  // a command that takes the next word as its argument
  suModifier,         // shapes the run; leaves the parameters, counts for no position
};

struct TSwitchRule {
  const char* Name;
  TSwitchUse Use;
  bool ChangesProcesses;
  const char* Implies;             // the command a modifier stands for, or nullptr
  bool TRunParameters::*Given;     // where a modifier or a command with a word is noted
};

// Every switch the program knows.
constexpr TSwitchRule kSwitchRules[] = {
    {"?", suCommand, false, nullptr, nullptr},
    {"help", suCommand, false, nullptr, nullptr},
    {"list", suCommand, false, nullptr, nullptr},
    {"details", suCommand, false, nullptr, nullptr},
    {"tree", suCommand, false, nullptr, nullptr},
    {"verify", suCommand, false, nullptr, nullptr},
    {"kill", suCommand, true, nullptr, nullptr},
    {"killtree", suCommand, true, nullptr, nullptr},
    {"modules", suCommand, false, nullptr, nullptr},
    {"handles", suCommand, false, nullptr, nullptr},
    {"find", suCommandWithWord, false, nullptr, &TRunParameters::Find},
    {"license", suCommand, false, nullptr, nullptr},
    {"csv", suModifier, false, nullptr, &TRunParameters::Csv},
    {"xml", suModifier, false, nullptr, &TRunParameters::Xml},
    {"json", suModifier, false, nullptr, &TRunParameters::Json},
    {"unsigned", suModifier, false, "verify", &TRunParameters::UnsignedOnly},
    {"all", suModifier, false, nullptr, &TRunParameters::All},
};

bool IsKnownSwitch(const TCommandLine& commandLine, const std::string& word) {
  for (const TSwitchRule& rule : kSwitchRules)
    if (commandLine.IsSwitch(word, rule.Name)) return true;
  return false;
}

// The index of the selector among the parameters, 0 when there is none.
int SelectorIndex(const TCommandLine& commandLine) {
  for (int i = 2; i <= commandLine.Count(); ++i)
    if (!LooksLikeSwitch(commandLine.Param(i))) return i;
  return 0;
}

// With a command that changes processes, every parameter must be understood:
// a mistyped switch before a number must not turn the number into a target.
std::string UnderstoodForChange(const TCommandLine& commandLine, int selectorIndex) {
  for (int i = 1; i <= commandLine.Count(); ++i) {
    const std::string word = commandLine.Param(i);
    if (LooksLikeSwitch(word) && !IsKnownSwitch(commandLine, word))
      return Format("Unknown switch %s; nothing was changed.", word.c_str());
    if (!LooksLikeSwitch(word) && i != selectorIndex)
      return Format("\"%s\" is neither a switch nor the selector; nothing was changed.",
                    word.c_str());
  }
  return std::string();
}

}  // namespace

bool TSelector::NamesNothing() const {
  if (!Given) return true;
  if (IsProcessId) return false;
  const std::string rest = SplitMethodTag(Text, cmWildcard).Text;
  return rest.find_first_not_of(" \t") == std::string::npos;
}

TSelector SelectorFromWord(const std::string& text) {
  TSelector selector;
  selector.Given = true;
  selector.Text = text;
  int32_t number = 0;
  if (TryStrToInt(text, number) && number != 0) {
    selector.IsProcessId = true;
    selector.ProcessId = number;
  }
  return selector;
}

TRunParameters ReadRunParameters(TCommandLine& commandLine) {
  TRunParameters parameters;
  for (const TSwitchRule& rule : kSwitchRules) {
    if (rule.Use == suCommand) continue;
    const int given = commandLine.SwitchCount(rule.Name);
    if (given > 1 && parameters.Error.empty())
      parameters.Error = Format("/%s is given twice; give it once.", rule.Name);
    parameters.*rule.Given = given > 0;
    if (rule.Use == suCommandWithWord) {
      parameters.FindPattern = commandLine.TakeSwitchArgument(rule.Name);
      continue;
    }
    if (!commandLine.TakeSwitch(rule.Name)) continue;
    // "/unsigned 460" is "/verify 460 /unsigned": the command it implies
    // stands first, so that the selector keeps its place.
    if (rule.Implies != nullptr && !commandLine.HasSwitch(rule.Implies))
      commandLine.InsertParam(1, std::string("/") + rule.Implies);
  }
  for (const TSwitchRule& rule : kSwitchRules)
    if (rule.ChangesProcesses && commandLine.HasSwitch(rule.Name))
      parameters.ChangesProcesses = true;

  const int selectorIndex = SelectorIndex(commandLine);
  if (selectorIndex != 0) parameters.Selector = SelectorFromWord(commandLine.Param(selectorIndex));
  if (parameters.ChangesProcesses && parameters.Error.empty())
    parameters.Error = UnderstoodForChange(commandLine, selectorIndex);
  return parameters;
}

}  // namespace kvt
