#pragma once
// A process's command line: from the kernel where it tells it (Windows 8.1
// and later), else from the process's own memory, through its environment
// block to its parameter block.
#include <cstdint>
#include <string>

#include "os/os.h"

namespace kvt {

// Where the command line is read from and how this program reaches it.
struct TCommandLineReach {
  uint32_t PointerSize = 4;
  bool ClassSixty = false;   // the kernel answers the command-line class
  bool ProgramWow64 = false; // the 32-bit program on a 64-bit Windows
};

// A command line as far as it could be read. Denied: a query or read on the
// way was refused for want of rights, which /details tells apart from a
// command line that is not there or out of reach.
struct TCommandLineText {
  std::string Text;
  bool Denied = false;
};

// The command line of Process (opened for querying and, unless the kernel
// answers, reading); empty when it cannot be read. Every read is bounded by
// the counted string's 16-bit length.
TCommandLineText ReadProcessCommandLine(Os& os, OsHandle process, const TCommandLineReach& reach);

}  // namespace kvt
