#include "app/console_output.h"

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
  if (!os_.WriteStdOut(block.data(), block.size()))
    throw EWriteError("Writing to standard output failed");
}

void WriteErrorText(Os& os, const std::string& text) {
  const std::string oem = os.ConvertAnsiToOem(text);
  os.WriteStdErr(oem.data(), oem.size());
}

}  // namespace kvt
