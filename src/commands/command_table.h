#pragma once
// Every switch the program knows, in one ordered table: the commands in the
// fixed order they run in, then the modifiers. A row says what the switch is
// for (its usage line, the table a form writes for it, whether it changes
// processes, whether it takes the next word) and which function runs it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "forms/output_forms.h"
#include "app/run_parameters.h"

namespace kvt {

class TConsoleOutput;
class TqxProcessList;

// What a command works on: the selected processes of the one list, what the
// command line asked, and where its text goes.
struct TCommandRun {
  TqxProcessList& List;
  const TRunParameters& Parameters;
  const TFormTables& Tables;
  TConsoleOutput& Out;
};
// Runs a command in the text form; the exit code it asks for (commands.h).
using TCommandFunction = int (*)(TCommandRun& run);
// Writes the run's tables as one machine-readable form.
using TFormWriter = void (*)(TqxProcessList&, const TFormTables&, TConsoleOutput&);

enum TSwitchUse : uint8_t {
  suUsage,            // shows the usage text
  suCommand,          // runs at its place in the fixed order
  suModifier,         // shapes the run; leaves the parameters, counts for no position
};

struct TSwitch {
  const char* Name;
  TSwitchUse Use;
  const char* UsageLine;          // its line in the usage text; nullptr: none
  bool TFormTables::*Table;       // the table a form writes for it; nullptr: none
  bool TRunParameters::*Given;    // where a modifier or a command with a word is noted
  std::string TRunParameters::*Word;  // where the next word it takes goes; nullptr: none
  const char* Implies;            // the command a modifier stands for, or nullptr
  bool ChangesProcesses;          // the forms refuse it, and it must name its targets
  bool RunsAlone;                 // over time: no other command may act on what it read
  TCommandFunction Run;           // a command's text; nullptr for the others
  TFormWriter Form;               // a form modifier's writer; nullptr for the others
};

const std::vector<TSwitch>& Switches();

// The usage text, its command lines in the order of the table.
std::vector<const char*> UsageLines();

}  // namespace kvt
