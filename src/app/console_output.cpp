#include "app/console_output.h"

#include <cstdint>

#include "os/os.h"
#include "support/errors.h"

namespace kvt {
namespace {

constexpr size_t kFlushThreshold = 16 * 1024;

}  // namespace

void TConsoleOutput::Line(const std::string& text) {
  pending_ += text;
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
