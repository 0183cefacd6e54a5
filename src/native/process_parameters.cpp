#include "native/process_parameters.h"

#include <vector>

#include "native/handle_replies.h"
#include "native/process_memory.h"
#include "os/layouts/object_replies.h"
#include "os/layouts/process_blocks.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The 64-bit header of a counted string, the longest text it can count.
constexpr uint32_t kMaxCommandLineReply = 16 + 0xFFFE + 2;

// The command line from the environment block at Address, laid out for
// Width (4: a 32-bit process, 8: a 64-bit one).
std::string FromEnvironmentBlock(TProcessReader& reader, uint64_t address, uint8_t width) {
  const TProcessBlockLayout& layout = ProcessBlockLayout(width);
  const uint64_t parameters = reader.Value(address + layout.ParametersInEnvironmentBlock, width);
  std::string text;
  if (parameters != 0)
    ReadCountedString(reader, parameters + layout.CommandLineInParameters, width, text);
  return text;
}

}  // namespace

TCommandLineText ReadProcessCommandLine(Os& os, OsHandle process, const TCommandLineReach& reach) {
  TCommandLineText line;
  if (!os.IsBound(TOptionalEntry::NtQueryInformationProcess)) return line;
  const uint32_t width = reach.PointerSize;
  if (width == 4 && reach.ProgramWow64) {
    // A 64-bit process's blocks lie beyond the 32-bit program's reach.
    bool wow64 = false;
    if (!os.IsWow64Process(process, &wow64) || !wow64) return line;
  }
  if (reach.ClassSixty) {
    std::vector<uint8_t> reply(kMaxCommandLineReply);
    uint32_t returned = 0;
    if (os.NtQueryInformationProcess(process, kProcessCommandLineInformation, reply.data(),
                                     kMaxCommandLineReply, &returned) == kStatusSuccess) {
      line.Text = Utf16ToUtf8(ObjectNameFromReply(reply.data(), reply.size(), width));
      return line;
    }
  }
  TProcessReader reader(os, process);
  const uint64_t block32 =
      width == 8 ? reader.Address(kProcessWow64Information, 8, 0, 8) : uint64_t{0};
  if (block32 != 0) {
    // A WOW64 process keeps its command line in its 32-bit blocks.
    line.Text = FromEnvironmentBlock(reader, block32, 4);
  } else {
    line.Text = FromEnvironmentBlock(reader, reader.EnvironmentBlock(width),
                                     static_cast<uint8_t>(width));
  }
  line.Denied = line.Text.empty() && reader.Denied();
  return line;
}

}  // namespace kvt
