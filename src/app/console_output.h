#pragma once
// Standard output of the program: 8-bit lines ending in CR LF, collected and
// written in blocks. Flush before anything that may end the process.
#include <string>

namespace kvt {

class Os;

class TConsoleOutput {
 public:
  explicit TConsoleOutput(Os& os) : os_(os) {}
  void Line(const std::string& text);
  // Writes what was collected; raises EWriteError when standard output refuses it.
  void Flush();

 private:
  Os& os_;
  std::string pending_;
};

// Writes Text to standard error in the OEM code page, as a console shows it.
// A failed write is let go: standard error is where failures are told.
void WriteErrorText(Os& os, const std::string& text);

}  // namespace kvt
