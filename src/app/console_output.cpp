#include "app/console_output.h"

#include <cstdint>

#include "os/os.h"
#include "support/errors.h"
#include "support/text.h"

namespace kvt {
namespace {

constexpr size_t kFlushThreshold = 16 * 1024;

}  // namespace

void TConsoleOutput::Line(const std::string& text) {
  // Every line of the text tables, of /details, /tree and /find passes here,
  // with names, command lines and version strings that a process chose: an
  // escape sequence or line break among them would restyle the reader's
  // terminal or forge a line. The program's own texts hold no control
  // character, and the line end is added after, so only what came from
  // outside changes; one character stays one, so the columns filled before
  // keep their widths. The machine forms carry the value as it is.
  pending_ += encoding_ == TEncoding::Text ? ControlPictures(text) : text;
  pending_ += "\r\n";
  if (pending_.size() >= kFlushThreshold) Flush();
}

void TConsoleOutput::Flush() {
  if (pending_.empty()) return;
  std::string block;
  block.swap(pending_);
  if (!Write(block)) throw EWriteError("Writing to standard output failed");
}

bool TConsoleOutput::Write(const std::string& block) {
  if (encoding_ == TEncoding::Utf8) return os_.WriteStdOut(block.data(), block.size());
  uint32_t mode = 0;
  if (os_.GetConsoleMode(kStdOutputHandle, &mode)) return os_.WriteConsoleW(kStdOutputHandle, block);
  const std::string ansi = os_.WideCharToMultiByte(kCpAcp, block);
  return os_.WriteStdOut(ansi.data(), ansi.size());
}

void WriteErrorLine(Os& os, const std::string& line) {
  const std::string text = line + "\r\n";
  os.WriteStdErr(text.data(), text.size());
}

void WriteErrorText(Os& os, const std::string& text) {
  const std::string oem = os.WideCharToMultiByte(kCpOemCp, text);
  os.WriteStdErr(oem.data(), oem.size());
}

}  // namespace kvt
