#pragma once
// The program's parameters, split from its own command-line text.
#include <string>
#include <vector>

namespace kvt {

class Os;

class TCommandLine {
 public:
  // Splits Text (UTF-8): characters 1 to 32 separate, double quotes group and
  // are dropped, pairs of quotes at the start of a parameter are skipped.
  TCommandLine(Os& os, const std::string& text);

  // Parameters after the program's own name.
  int Count() const { return static_cast<int>(words_.size()) - 1; }
  // Parameter Index (0 is the program path); empty beyond the count.
  std::string Param(int index) const;
  // True when a parameter is "/" or "-" followed by Name, case ignored under
  // the user's default locale.
  bool HasSwitch(const std::string& name) const;
  // Whether the switch Name is present, as HasSwitch; every parameter that is
  // it leaves the list, and those after it move up.
  bool TakeSwitch(const std::string& name);
  // The parameter that follows the first switch Name, taken out of the list
  // (the switch itself stays); empty, and nothing taken, when the switch is
  // absent or last.
  std::string TakeSwitchArgument(const std::string& name);
  // How many parameters are the switch Name.
  int SwitchCount(const std::string& name) const;
  // Puts Word in the list as parameter Index; those from Index move up.
  void InsertParam(int index, const std::string& word);
  // True when Word is "/" or "-" followed by Name, case ignored as HasSwitch.
  bool IsSwitch(const std::string& word, const std::string& name) const;

 private:

  Os& os_;
  std::vector<std::string> words_;
};

// A parameter that starts with "/" or "-" is a switch, known or not.
bool LooksLikeSwitch(const std::string& word);

// Text after the program's own name, exactly as written: the parameters as
// another program would receive them.
std::string ParametersText(const std::string& text);

}  // namespace kvt
