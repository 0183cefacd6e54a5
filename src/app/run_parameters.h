#pragma once
// What the command line asks of a run, read once by one rule for every
// command: the modifiers and the words that switches take leave the
// parameters first, then the selector is read from what is left.
#include <cstdint>
#include <string>

namespace kvt {

class TCommandLine;

// The processes a run works on, as the user named them: a process id (a
// non-zero number) or a file-name pattern; Given is false without a selector.
struct TSelector {
  bool Given = false;
  bool IsProcessId = false;
  int32_t ProcessId = 0;
  std::string Text;
  // A name pattern that names nothing: empty, or blanks, once its method tag
  // is read ("<bm>" alone selects every process, yet nobody means that).
  bool NamesNothing() const;
};

struct TRunParameters {
  bool Csv = false, Xml = false, Json = false;
  bool UnsignedOnly = false;
  // A termination may take every process the list holds.
  bool All = false;
  bool Find = false;
  std::string FindPattern;  // the word after /find
  bool ListeningOnly = false;
  bool PortGiven = false;
  std::string PortText;  // the word after /port
  uint32_t Port = 0;     // read from it: 1 to 65535
  bool IntervalGiven = false, ForGiven = false;
  std::string IntervalText, ForText;  // the words after /interval and /for
  uint32_t IntervalMs = 1000;         // read from them
  uint32_t ForSeconds = 0;            // 0: one frame
  bool Compare = false;
  std::string CompareFile;  // the word after /compare
  bool ChangesProcesses = false;  // a command that terminates is given
  TSelector Selector;
  // Set when the command line is refused: the line that says why.
  std::string Error;
};

// Takes the modifiers and the words that switches take out of CommandLine
// (a modifier that implies a command leaves that command in its place), then
// reads the selector: parameter 2 unless it is a switch, else the first later
// parameter that is not one, else none. With a command that changes
// processes, an unknown switch or a word that is neither switch nor selector
// refuses the run.
TRunParameters ReadRunParameters(TCommandLine& commandLine);

// A number as /port, /interval and /for take it: decimal digits, from Low to High.
bool ReadBoundedNumber(const std::string& text, uint32_t low, uint32_t high, uint32_t& number);

// The selector read from Text as the rule reads a selector word.
TSelector SelectorFromWord(const std::string& text);

}  // namespace kvt
