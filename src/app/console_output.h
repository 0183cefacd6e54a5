#pragma once
// Standard output of the program: UTF-8 lines ending in CR LF, collected and
// written in blocks. Flush before anything that may end the process.
#include <string>

namespace kvt {

class Os;

class TConsoleOutput {
 public:
  // How the text reaches its reader: the tables shown as they are on a
  // console and in the ANSI code page in a file or pipe, as programs of the
  // platform write them; the machine forms in UTF-8 wherever they go.
  enum class TEncoding { Text, Utf8 };

  explicit TConsoleOutput(Os& os) : os_(os) {}
  void SetEncoding(TEncoding encoding) { encoding_ = encoding; }
  // One line, its end added; in Text, with the control characters of Text
  // shown as pictures (ControlPictures).
  void Line(const std::string& text);
  // Writes what was collected; raises EWriteError when standard output refuses it.
  void Flush();
  // Drops what was collected and not yet written: a run refused before its
  // first result writes nothing beside the refusal.
  void Discard() { pending_.clear(); }

 private:
  bool Write(const std::string& block);

  Os& os_;
  TEncoding encoding_ = TEncoding::Text;
  std::string pending_;
};

// Writes Line and a line break to standard error, as the program's messages
// are: UTF-8, as the forms on standard output.
void WriteErrorLine(Os& os, const std::string& line);

// Writes Text to standard error in the OEM code page, as a console shows it.
// A failed write is let go: standard error is where failures are told.
void WriteErrorText(Os& os, const std::string& text);

}  // namespace kvt
