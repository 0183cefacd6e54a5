#include "native/process_parameters.h"

#include <vector>

#include "native/handle_replies.h"
#include "os/layouts/object_replies.h"
#include "os/layouts/process_blocks.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The 64-bit header of a counted string, the longest text it can count.
constexpr uint32_t kMaxCommandLineReply = 16 + 0xFFFE + 2;

// The reads of one process's memory and the kernel's answers about it; it
// remembers whether the rights refused one, for the refusal to be told.
class TProcessReader {
 public:
  TProcessReader(Os& os, OsHandle process) : os_(os), process_(process) {}

  // Size bytes at Address of the process into Bytes; false when not all were read.
  bool Read(uint64_t address, uint8_t* bytes, uint32_t size) {
    uint32_t read = 0;
    if (address != 0 && os_.ReadProcessMemory(process_, address, bytes, size, &read) &&
        read == size)
      return true;
    if (address != 0 && os_.GetLastError() == kErrorAccessDenied) denied_ = true;
    return false;
  }

  // A value of Width bytes (4 or 8) at Address; 0 when unreadable.
  uint64_t Value(uint64_t address, uint8_t width) {
    uint8_t bytes[8] = {};
    return Read(address, bytes, width) ? UnsignedAt(bytes, width) : 0;
  }

  // A pointer-sized answer of the kernel; 0 when it gives none.
  uint64_t Address(uint32_t infoClass, uint32_t size, uint32_t offset, uint32_t pointerSize) {
    uint8_t reply[48] = {};
    uint32_t returned = 0;
    const uint32_t status =
        os_.NtQueryInformationProcess(process_, infoClass, reply, size, &returned);
    if (status == kStatusAccessDenied) denied_ = true;
    if (status != kStatusSuccess) return 0;
    return UnsignedAt(reply + offset, static_cast<uint8_t>(pointerSize));
  }

  bool Denied() const { return denied_; }

 private:
  Os& os_;
  OsHandle process_;
  bool denied_ = false;
};

// The command line from the environment block at Address, laid out for
// Width (4: a 32-bit process, 8: a 64-bit one).
std::string FromEnvironmentBlock(TProcessReader& reader, uint64_t address, uint8_t width) {
  const TProcessBlockLayout& layout = ProcessBlockLayout(width);
  const TCountedStringLayout& string = CountedStringLayout(width);
  const uint64_t parameters = reader.Value(address + layout.ParametersInEnvironmentBlock, width);
  if (parameters == 0) return std::string();
  const uint64_t counted = parameters + layout.CommandLineInParameters;
  const auto length = static_cast<uint16_t>(
      reader.Value(counted + string.Length.Offset, string.Length.Width) & 0xFFFE);
  const uint64_t text = reader.Value(counted + string.Buffer.Offset, width);
  if (length == 0 || text == 0) return std::string();
  std::vector<uint8_t> bytes(length);
  if (!reader.Read(text, bytes.data(), length)) return std::string();
  std::u16string units(length / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return Utf16ToUtf8(units);
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
    // The basic information: the exit status, then the environment block's address.
    const TProcessBlockLayout& layout = ProcessBlockLayout(width);
    const uint64_t block = reader.Address(kProcessBasicInformation, layout.BasicInformationSize,
                                          layout.PebBaseAddress.Offset, width);
    line.Text = FromEnvironmentBlock(reader, block, static_cast<uint8_t>(width));
  }
  line.Denied = line.Text.empty() && reader.Denied();
  return line;
}

}  // namespace kvt
