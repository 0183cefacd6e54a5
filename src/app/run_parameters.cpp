#include "app/run_parameters.h"

#include "app/command_line.h"
#include "commands/command_table.h"
#include "matching/match_text.h"
#include "support/format.h"
#include "support/int_conversion.h"

namespace kvt {
namespace {

bool IsKnownSwitch(const TCommandLine& commandLine, const std::string& word) {
  for (const TSwitch& rule : Switches())
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

bool ReadBoundedNumber(const std::string& text, uint32_t low, uint32_t high, uint32_t& number) {
  // Decimal digits only: "0x50" or "+80" are no way to write a port.
  if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
    return false;
  const unsigned long value = std::stoul(text);
  if (value < low || value > high) return false;
  number = static_cast<uint32_t>(value);
  return true;
}

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
  for (const TSwitch& rule : Switches()) {
    if (rule.Given == nullptr) continue;
    const int given = commandLine.SwitchCount(rule.Name);
    if (given > 1 && parameters.Error.empty())
      parameters.Error = Format("/%s is given twice; give it once.", rule.Name);
    parameters.*rule.Given = given > 0;
    if (rule.Word != nullptr) parameters.*rule.Word = commandLine.TakeSwitchArgument(rule.Name);
    // A command stays in its place among the parameters; a modifier leaves them.
    if (rule.Use == suCommand || !commandLine.TakeSwitch(rule.Name)) continue;
    // "/unsigned 460" is "/verify 460 /unsigned": the command it implies
    // stands first, so that the selector keeps its place.
    if (rule.Implies != nullptr && !commandLine.HasSwitch(rule.Implies))
      commandLine.InsertParam(1, std::string("/") + rule.Implies);
  }
  // Each number a modifier takes: its bounds and the line that refuses another.
  const struct {
    bool Given;
    const std::string& Text;
    uint32_t Low, High;
    const char* Refusal;
    uint32_t* Number;
  } numbers[] = {
      {parameters.PortGiven, parameters.PortText, 1, 65535,
       "/port takes a port number from 1 to 65535, not \"%s\".", &parameters.Port},
      {parameters.IntervalGiven, parameters.IntervalText, 100, 60000,
       "/interval takes milliseconds from 100 to 60000, not \"%s\".", &parameters.IntervalMs},
      {parameters.ForGiven, parameters.ForText, 1, 86400,
       "/for takes seconds from 1 to 86400, not \"%s\".", &parameters.ForSeconds},
  };
  for (const auto& number : numbers) {
    uint32_t value = 0;
    if (!number.Given || !parameters.Error.empty()) continue;
    if (!ReadBoundedNumber(number.Text, number.Low, number.High, value))
      parameters.Error = Format(number.Refusal, number.Text.c_str());
    else
      *number.Number = value;
  }
  for (const TSwitch& rule : Switches())
    if (rule.ChangesProcesses && commandLine.HasSwitch(rule.Name))
      parameters.ChangesProcesses = true;

  const int selectorIndex = SelectorIndex(commandLine);
  if (selectorIndex != 0) parameters.Selector = SelectorFromWord(commandLine.Param(selectorIndex));
  if (parameters.ChangesProcesses && parameters.Error.empty())
    parameters.Error = UnderstoodForChange(commandLine, selectorIndex);
  return parameters;
}

}  // namespace kvt
