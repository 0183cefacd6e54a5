#include "native/process_parameters.h"

#include <vector>

#include "native/handle_replies.h"
#include "native/reply_fields.h"
#include "support/utf8.h"

namespace kvt {
namespace {

// The 64-bit header of a counted string, the longest text it can count.
constexpr uint32_t kMaxCommandLineReply = 16 + 0xFFFE + 2;

// Where the environment block keeps the parameter block's address, and
// where that keeps the command line's counted string, at either width.
struct TParameterLayout {
  uint32_t ParametersInEnvironmentBlock, CommandLineInParameters, BufferInCountedString;
};
constexpr TParameterLayout kParameters32 = {0x10, 0x40, 4};
constexpr TParameterLayout kParameters64 = {0x20, 0x70, 8};

// A value of Width bytes (4 or 8) at Address of the process; 0 when unreadable.
uint64_t ReadValue(Os& os, OsHandle process, uint64_t address, uint8_t width) {
  uint8_t bytes[8] = {};
  uint32_t read = 0;
  if (address == 0 || !os.ReadProcessMemory(process, address, bytes, width, &read) ||
      read != width)
    return 0;
  return UnsignedAt(bytes, width);
}

// The command line from the environment block at Address, laid out for
// Width (4: a 32-bit process, 8: a 64-bit one).
std::string FromEnvironmentBlock(Os& os, OsHandle process, uint64_t address, uint8_t width) {
  const TParameterLayout& layout = width == 8 ? kParameters64 : kParameters32;
  const uint64_t parameters = ReadValue(os, process, address + layout.ParametersInEnvironmentBlock,
                                        width);
  if (parameters == 0) return std::string();
  const uint64_t counted = parameters + layout.CommandLineInParameters;
  const auto length = static_cast<uint16_t>(ReadValue(os, process, counted, 2) & 0xFFFE);
  const uint64_t text = ReadValue(os, process, counted + layout.BufferInCountedString, width);
  if (length == 0 || text == 0) return std::string();
  std::vector<uint8_t> bytes(length);
  uint32_t read = 0;
  if (!os.ReadProcessMemory(process, text, bytes.data(), length, &read) || read != length)
    return std::string();
  std::u16string units(length / 2, u'\0');
  for (size_t i = 0; i < units.size(); ++i)
    units[i] = static_cast<char16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return Utf16ToUtf8(units);
}

// A pointer-sized answer of the kernel about Process; 0 when it gives none.
uint64_t QueryAddress(Os& os, OsHandle process, uint32_t infoClass, uint32_t size,
                      uint32_t offset, uint32_t pointerSize) {
  uint8_t reply[48] = {};
  uint32_t returned = 0;
  if (os.NtQueryInformationProcess(process, infoClass, reply, size, &returned) != kStatusSuccess)
    return 0;
  return UnsignedAt(reply + offset, static_cast<uint8_t>(pointerSize));
}

}  // namespace

std::string ReadProcessCommandLine(Os& os, OsHandle process, const TCommandLineReach& reach) {
  if (!os.IsBound(TOptionalEntry::NtQueryInformationProcess)) return std::string();
  const uint32_t width = reach.PointerSize;
  if (width == 4 && reach.ProgramWow64) {
    // A 64-bit process's blocks lie beyond the 32-bit program's reach.
    bool wow64 = false;
    if (!os.IsWow64Process(process, &wow64) || !wow64) return std::string();
  }
  if (reach.ClassSixty) {
    std::vector<uint8_t> reply(kMaxCommandLineReply);
    uint32_t returned = 0;
    if (os.NtQueryInformationProcess(process, kProcessCommandLineInformation, reply.data(),
                                     kMaxCommandLineReply, &returned) == kStatusSuccess)
      return Utf16ToUtf8(ObjectNameFromReply(reply.data(), reply.size(), width));
  }
  if (width == 8) {
    // A WOW64 process keeps its command line in its 32-bit blocks.
    const uint64_t block32 = QueryAddress(os, process, kProcessWow64Information, 8, 0, 8);
    if (block32 != 0) return FromEnvironmentBlock(os, process, block32, 4);
  }
  // The basic information: the exit status, then the environment block's address.
  const uint64_t block =
      QueryAddress(os, process, kProcessBasicInformation, 6 * width, width, width);
  return FromEnvironmentBlock(os, process, block, static_cast<uint8_t>(width));
}

}  // namespace kvt
