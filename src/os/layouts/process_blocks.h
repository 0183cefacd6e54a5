#pragma once
// Where a process keeps its command line, and the kernel's answers that lead
// there (NtQueryInformationProcess classes 0 and 26): the basic information
// gives the environment block's address, which holds the parameter block's,
// which holds the command line's counted string (os/layouts/object_replies.h).
#include <cstdint>

#include "os/layouts/reply_field.h"

namespace kvt {

struct TProcessBlockLayout {
  uint8_t BasicInformationSize;
  TReplyField PebBaseAddress, UniqueProcessId;  // in the basic information
  uint16_t ParametersInEnvironmentBlock, CommandLineInParameters;
};
constexpr TProcessBlockLayout kProcessBlocks32 = {24, {4, 4}, {16, 4}, 0x10, 0x40};
constexpr TProcessBlockLayout kProcessBlocks64 = {48, {8, 8}, {32, 8}, 0x20, 0x70};
// For a process (or a reply) of Width bytes a pointer.
constexpr const TProcessBlockLayout& ProcessBlockLayout(uint32_t width) {
  return width == 8 ? kProcessBlocks64 : kProcessBlocks32;
}

// Class 26: the address of a WOW64 process's 32-bit environment block, one
// pointer of the program's width at the reply's start (0 for any other).

}  // namespace kvt
